// The drive scan through the Win32 host over a real fixed drive, beside
// drives of the other types that it must leave alone, with no splash window:
// what it records, what it skips, where it stops walking, and the save at
// its end.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "crc32.h"
#include "database_pictures.h"
#include "drive_scan.h"
#include "exceptions.h"
#include "host_folder.h"
#include "memory_db.h"
#include "settings_key_scope.h"
#include "splash.h"
#include "test_drive.h"
#include "win32_database_host.h"

namespace {

// The walk gives up on a directory whose search pattern is longer than an
// ANSI path may be (MAX_PATH): with the drive's root (3), DEEP\ (5), a name
// of 200 and one of 100 and "\*.*", the second level's pattern has 313
// characters while the first level's has 212.
const std::string kLongA(200, 'a');
const std::string kLongB(100, 'b');

class TCurrentDirectory {
 public:
  explicit TCurrentDirectory(const std::string& path) {
    char previous[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, previous);
    previous_ = previous;
    if (!SetCurrentDirectoryA(path.c_str())) throw std::runtime_error("cannot change to " + path);
  }
  ~TCurrentDirectory() { SetCurrentDirectoryA(previous_.c_str()); }

 private:
  std::string previous_;
};

std::vector<uint8_t> ReadWholeFile(const std::string& path) {
  std::vector<uint8_t> bytes;
  if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
    uint8_t buffer[4096];
    size_t read;
    while ((read = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.insert(bytes.end(), buffer, buffer + read);
    std::fclose(file);
  }
  return bytes;
}

std::vector<std::string> TopLevelNames(TMemoryDB& db) {
  TLockGuard guard(*db.Lock);
  std::vector<std::string> names;
  for (const TDirectoryRecord* node = db.DirList->FirstNode(); node; node = node->Next) {
    if (!node->Parent) names.emplace_back(node->NameView());
  }
  return names;
}

DWORD WINAPI TakeAndReleaseLock(void* parameter) {
  TDatabaseLock& lock = *static_cast<TDatabaseLock*>(parameter);
  lock.Enter();
  lock.Leave();
  return 0;
}

// Whether another thread can take the lock within a bound: a scan that left
// it held would make that thread wait for ever.
bool LockIsFree(TMemoryDB& db) {
  const HANDLE thread = CreateThread(nullptr, 0, TakeAndReleaseLock, db.Lock.get(), 0, nullptr);
  if (!thread) return false;
  const bool done = WaitForSingleObject(thread, 5000) == WAIT_OBJECT_0;
  CloseHandle(thread);
  return done;
}

// The handle the next new kernel object would get. Wine hands out the
// lowest free slot of the process's handle table, so a handle left open in
// between takes that slot and the answer changes.
HANDLE NextFreeHandle() {
  const HANDLE probe = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  CloseHandle(probe);
  return probe;
}

// A window that stands in for the splash panel's confirmed Cancel: a message
// posted to it sets UserTerminate once the scan's own message pumping
// delivers it.
class TCancelWindow {
 public:
  TCancelWindow() {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kClassName;
    RegisterClassA(&windowClass);
    handle_ = CreateWindowA(kClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, windowClass.hInstance, nullptr);
    if (!handle_) throw std::runtime_error("cannot make the cancel window");
  }
  ~TCancelWindow() {
    DestroyWindow(handle_);
    UnregisterClassA(kClassName, GetModuleHandleA(nullptr));
  }
  TCancelWindow(const TCancelWindow&) = delete;
  TCancelWindow& operator=(const TCancelWindow&) = delete;

  void PostCancel() const { PostMessageA(handle_, WM_APP, 0, 0); }

 private:
  static constexpr const char* kClassName = "VelkoroScanCancelProbe";
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP) UserTerminate = true;
    return DefWindowProcA(window, message, wParam, lParam);
  }
  HWND handle_ = nullptr;
};

// Whether this process has a splash window (other tests make one and keep
// it for the rest of the run); one of another process does not count.
bool ThisProcessHasASplashWindow() {
  for (HWND window = FindWindowExA(nullptr, nullptr, "TfrmSplash", nullptr); window;
       window = FindWindowExA(nullptr, window, "TfrmSplash", nullptr)) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId()) return true;
  }
  return false;
}

// Runs only the current test in a new process of this program and gives its
// exit code (0 when it passed).
DWORD RunCurrentTestInANewProcess() {
  const ::testing::TestInfo& test = *::testing::UnitTest::GetInstance()->current_test_info();
  char program[MAX_PATH];
  GetModuleFileNameA(nullptr, program, MAX_PATH);
  std::string commandLine = std::string("\"") + program + "\" --gtest_filter=" + test.test_suite_name() + "." +
                            test.name();
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(program, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    return GetLastError();
  }
  DWORD exitCode = STILL_ACTIVE;
  if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0) GetExitCodeProcess(process.hProcess, &exitCode);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return exitCode;
}


class DriveScanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    drive_ = std::make_unique<TTestDrive>(DRIVE_FIXED, driveFolder_.HostPath());
    // Drives of every other type, with files the scan must not record.
    for (const UINT type : {DRIVE_REMOVABLE, DRIVE_CDROM, DRIVE_REMOTE, DRIVE_RAMDISK}) {
      others_.push_back(std::make_unique<TTestDrive>(type, otherFolder_.HostPath()));
    }
    otherFolder_.MakeFile("elsewhere.txt");
    // The database file goes to the current directory, on a drive the scan
    // does not walk.
    work_ = std::make_unique<TTestDrive>(DRIVE_REMOTE, workFolder_.HostPath());
    currentDirectory_ = std::make_unique<TCurrentDirectory>(work_->Root());
    onlyThese_ = std::make_unique<TOnlyTheseFixedDrives>(std::string(1, drive_->Letter()));
    UserTerminate = false;
  }
  void TearDown() override {
    UserTerminate = false;
    onlyThese_.reset();
    currentDirectory_.reset();
  }

  std::string Root(const std::string& below = "") const { return drive_->Root(below); }
  std::string SavedFile() const { return work_->Root("memdb.dat"); }

  THostFolder driveFolder_;
  THostFolder otherFolder_;
  THostFolder workFolder_;
  std::unique_ptr<TTestDrive> drive_;
  std::vector<std::unique_ptr<TTestDrive>> others_;
  std::unique_ptr<TTestDrive> work_;
  std::unique_ptr<TCurrentDirectory> currentDirectory_;
  std::unique_ptr<TOnlyTheseFixedDrives> onlyThese_;
  TSettingsKeyScope settings_;
  TMemoryDB db_{Win32DatabaseHost()};
};

TEST_F(DriveScanTest, RecordsTheFixedDriveAsTheHostHoldsIt) {
  driveFolder_.MakeFile("Program Files/Readme.txt");
  driveFolder_.MakeFile("Program Files/Sub Dir/inner.dat");
  driveFolder_.MakeFile(".profile");
  driveFolder_.MakeFile(".hidden/secret.txt");
  driveFolder_.MakeFile("README");
  driveFolder_.MakeFile("A.B.C");
  driveFolder_.MakeFile("X.Y/in.txt");
  driveFolder_.MakeFile("r\xe9sum\xe9.txt");
  driveFolder_.MakeFile("donn\xe9" "es/\xe9t\xe9.txt");
  driveFolder_.MakeDirectory("empty");
  const std::string root = ShellQuoted(driveFolder_.HostPath());
  driveFolder_.Shell("ln -s " + root + " " + ShellQuoted(driveFolder_.HostPath("loop")) + " && ln -s README " +
                     ShellQuoted(driveFolder_.HostPath("readme link")) + " && mkdir -p " +
                     ShellQuoted(driveFolder_.HostPath("deep/" + kLongA + "/" + kLongB)) + " && touch " +
                     ShellQuoted(driveFolder_.HostPath("deep/" + kLongA + "/" + kLongB + "/lost.txt")));
  ASSERT_EQ(GetFileAttributesA(Root("loop").c_str()), 0x410u);
  // The walk reads the top directory of the deep pair; the one below it is
  // out of the ANSI calls' reach.
  WIN32_FIND_DATAA found;
  const HANDLE deeper = FindFirstFileA(Root("deep\\" + kLongA + "\\" + kLongB + "\\*.*").c_str(), &found);
  ASSERT_EQ(deeper, INVALID_HANDLE_VALUE);

  EXPECT_TRUE(db_.ScanDrives("memdb.dat"));

  const std::string r = Root();
  std::string upperA = kLongA, upperB = kLongB;
  std::transform(upperA.begin(), upperA.end(), upperA.begin(), ::toupper);
  std::transform(upperB.begin(), upperB.end(), upperB.begin(), ::toupper);
  EXPECT_EQ(SortedTreeLines(db_, r), (std::vector<std::string>{
                                         r + " : A.B.C README README LINK R\xc9SUM\xc9.TXT",
                                         r + "DEEP\\ :",
                                         r + "DEEP\\" + upperA + "\\ :",
                                         r + "DEEP\\" + upperA + "\\" + upperB + "\\ :",
                                         r + "DONN\xc9" "ES\\ : \xc9T\xc9.TXT",
                                         r + "EMPTY\\ :",
                                         r + "LOOP\\ :",
                                         r + "PROGRAM FILES\\ : README.TXT",
                                         r + "PROGRAM FILES\\SUB DIR\\ : INNER.DAT",
                                         r + "X.Y\\ : IN.TXT",
                                     }));
  // Only the fixed drives are walked, in letter order.
  EXPECT_EQ(TopLevelNames(db_), (std::vector<std::string>{"C:", drive_->Name()}));
  // Depth first: every node comes after its parent in the chain.
  {
    TLockGuard guard(*db_.Lock);
    std::vector<const TDirectoryRecord*> seen;
    for (const TDirectoryRecord* node = db_.DirList->FirstNode(); node; node = node->Next) {
      if (node->Parent) {
        EXPECT_NE(std::find(seen.begin(), seen.end(), node->Parent), seen.end()) << db_.DirectoryPath(node);
      }
      seen.push_back(node);
    }
  }
  EXPECT_GT(ScanDoneKB, 0.0);
  EXPECT_GT(ClusterSize, 0);
}

// The scan moves the splash panel's progress bar; without the window that
// must come to nothing.
TEST_F(DriveScanTest, NeedsNoSplashWindow) {
  if (ThisProcessHasASplashWindow()) {
    EXPECT_EQ(RunCurrentTestInANewProcess(), 0u);
    return;
  }
  driveFolder_.MakeFile("a.txt");
  EXPECT_TRUE(db_.ScanDrives("memdb.dat"));
  EXPECT_EQ(SortedTreeLines(db_, Root()), (std::vector<std::string>{Root() + " : A.TXT"}));
  EXPECT_FALSE(SplashVisible());
}

TEST_F(DriveScanTest, SavesTheTreeToTheCurrentDirectoryWithItsChecksumInTheSettings) {
  driveFolder_.MakeFile("Windows/win.ini");
  driveFolder_.MakeFile("Windows/System/\xe6gis.dll");
  settings_.WriteCrc(0);

  EXPECT_TRUE(db_.ScanDrives("memdb.dat"));

  const std::vector<uint8_t> saved = ReadWholeFile(SavedFile());
  ASSERT_FALSE(saved.empty());
  uint32_t crc = 0;
  ASSERT_TRUE(settings_.ReadCrc(crc));
  EXPECT_EQ(crc, StreamCRC(saved));

  TMemoryDB loaded(Win32DatabaseHost());
  ASSERT_TRUE(loaded.LoadFromFile("memdb.dat"));
  EXPECT_EQ(SortedTreeLines(loaded, ""), SortedTreeLines(db_, ""));
  EXPECT_EQ(SortedTreeLines(loaded, Root()), (std::vector<std::string>{Root() + " :",
                                                                       Root("WINDOWS\\") + " : WIN.INI",
                                                                       Root("WINDOWS\\SYSTEM\\") + " : \xc6GIS.DLL"}));
}

TEST_F(DriveScanTest, ADirectoryWithoutPermissionsIsANodeWithNothingBelow) {
  if (HostIgnoresPermissions()) {
    GTEST_SKIP() << "this process may read any directory (the host's root user); a directory out of "
                    "reach is covered by the one beyond MAX_PATH";
  }
  driveFolder_.MakeFile("locked/inside.txt");
  driveFolder_.MakeFile("locked/below/deeper.txt");
  driveFolder_.Shell("chmod 000 " + ShellQuoted(driveFolder_.HostPath("locked")));

  EXPECT_TRUE(db_.ScanDrives("memdb.dat"));
  EXPECT_EQ(SortedTreeLines(db_, Root()), (std::vector<std::string>{Root() + " :", Root("LOCKED\\") + " :"}));
}

TEST_F(DriveScanTest, ACancelAtTheFirstEntryRaisesETerminateAndLeavesNothingOpenOrSaved) {
  driveFolder_.MakeFile("a.txt");
  const TCancelWindow cancel;
  // A first scan makes every lazily opened handle (registry roots, the
  // drives' devices) exist before the next free handle is noted.
  ASSERT_TRUE(db_.ScanDrives("first.dat"));
  uint32_t firstCrc = 0;
  ASSERT_TRUE(settings_.ReadCrc(firstCrc));
  const HANDLE nextHandle = NextFreeHandle();
  ASSERT_NE(nextHandle, nullptr);

  cancel.PostCancel();
  try {
    db_.ScanDrives("memdb.dat");
    ADD_FAILURE() << "the scan was not cancelled";
  } catch (const ETerminate& terminate) {
    EXPECT_STREQ(terminate.what(), "User Terminate");
  }
  EXPECT_EQ(NextFreeHandle(), nextHandle);
  EXPECT_TRUE(LockIsFree(db_));
  EXPECT_EQ(GetFileAttributesA(SavedFile().c_str()), INVALID_FILE_ATTRIBUTES);
  uint32_t crc = 0;
  ASSERT_TRUE(settings_.ReadCrc(crc));
  EXPECT_EQ(crc, firstCrc);
  // The tree holds what was walked: the first drive's top node.
  EXPECT_EQ(TopLevelNames(db_), std::vector<std::string>{"C:"});

  // A later scan runs to its end and saves.
  UserTerminate = false;
  EXPECT_TRUE(db_.ScanDrives("memdb.dat"));
  EXPECT_EQ(SortedTreeLines(db_, Root()), (std::vector<std::string>{Root() + " : A.TXT"}));
  ASSERT_TRUE(settings_.ReadCrc(crc));
  EXPECT_EQ(crc, StreamCRC(ReadWholeFile(SavedFile())));
}

}  // namespace
