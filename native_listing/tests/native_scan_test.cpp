// The drive scan with its listings read by velkoro-scan-reader against the
// same scan through Wine's FindFirstFileA alone, over one tree of hard
// cases: every listing and the saved database must be the same, a change
// made during the walk may show only where it was made, a reader that is
// missing or killed leaves the result unchanged, and a cancel still ends
// the scan (and its reader) with nothing saved.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "database_pictures.h"
#include "exceptions.h"
#include "host_folder.h"
#include "memory_db.h"
#include "native_listings.h"
#include "settings_key_scope.h"
#include "test_drive.h"
#include "win32_database_host.h"
#include "wine_host.h"

namespace {

constexpr DWORD kWaitMs = 10000;

std::vector<uint8_t> ReadWholeFile(const std::string& path) {
  std::vector<uint8_t> bytes;
  if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
    uint8_t buffer[65536];
    size_t read;
    while ((read = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.insert(bytes.end(), buffer, buffer + read);
    std::fclose(file);
  }
  return bytes;
}

bool WaitFor(const std::function<bool()>& condition) {
  for (DWORD start = GetTickCount(); !condition();) {
    if (GetTickCount() - start >= kWaitMs) return false;
    Sleep(5);
  }
  return true;
}

// The folders of this process's readers: /tmp/.velkoro-scan-PID-*.
std::vector<std::string> ReaderFolders() {
  std::vector<std::string> folders;
  const std::string pattern = "\\\\?\\unix\\tmp\\.velkoro-scan-" + std::to_string(GetCurrentProcessId()) + "-*";
  WIN32_FIND_DATAA found;
  const HANDLE search = FindFirstFileA(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return folders;
  do folders.push_back(std::string("/tmp/") + found.cFileName);
  while (FindNextFileA(search, &found));
  FindClose(search);
  return folders;
}

std::string ReaderPid() {
  const std::vector<std::string> folders = ReaderFolders();
  if (folders.size() != 1) return std::string();
  std::string pid;
  WaitFor([&] {
    const std::vector<uint8_t> bytes = ReadWholeFile("\\\\?\\unix" + folders[0] + "\\pid");
    pid.assign(bytes.begin(), bytes.end());
    return !pid.empty() && pid.back() == '\n';
  });
  while (!pid.empty() && pid.back() == '\n') pid.pop_back();
  return pid;
}

bool ProcessRuns(const std::string& pid) {
  return GetFileAttributesA(("\\\\?\\unix\\proc\\" + pid + "\\status").c_str()) != INVALID_FILE_ATTRIBUTES;
}

enum class TListingSource { Reader, ReaderMissing, WineOnly };

// The product's host, with the scan's listings taken from the source under
// test, each one written down, and a hook at every search pattern.
class TScanHost : public TDatabaseHost {
 public:
  explicit TScanHost(TListingSource source)
      : source_(source),
        native_(FileBesideModule(nullptr, source == TListingSource::ReaderMissing ? L"no-such-reader"
                                                                                   : L"velkoro-scan-reader"),
                FindFileEnumeration) {}

  std::function<void(const std::string& pattern)> BeforeFindFirst = [](const std::string&) {};
  // Entries to let by before the scan is told the user cancelled; 0: never.
  size_t CancelAfter = 0;
  std::map<std::string, std::vector<std::string>> Listings;

  size_t ListingsServed() const { return native_.ListingsServed(); }

  std::unique_ptr<TDatabaseLock> CreateLock() override { return product_.CreateLock(); }

  std::unique_ptr<TDirectoryEnumeration> FindFirst(const std::string& pattern) override {
    BeforeFindFirst(pattern);
    std::unique_ptr<TDirectoryEnumeration> found;
    if (source_ != TListingSource::WineOnly) found = native_.FindFirst(pattern, [] { return true; });
    if (!found) found = FindFileEnumeration(pattern);
    if (!found) return nullptr;
    return std::make_unique<TRecording>(std::move(found), Listings[pattern]);
  }

  bool TerminateRequested() override { return CancelAfter && ++entries_ >= CancelAfter; }

  unsigned DriveType(const std::string& rootPath) override { return product_.DriveType(rootPath); }
  bool DiskFreeSpace(const std::string& rootPath, TDiskSpace& space) override {
    return product_.DiskFreeSpace(rootPath, space);
  }
  uint32_t FileAttributes(const std::string& path) override { return product_.FileAttributes(path); }
  bool WriteWholeFile(const std::string& path, const uint8_t* data, size_t size) override {
    return product_.WriteWholeFile(path, data, size);
  }
  bool RenameOver(const std::string& source, const std::string& target) override {
    return product_.RenameOver(source, target);
  }
  bool RemoveFile(const std::string& path) override { return product_.RemoveFile(path); }
  void UpperCase(std::string& text) override { product_.UpperCase(text); }
  int32_t ReadSettingInteger(const char* name) override { return product_.ReadSettingInteger(name); }
  void WriteSettingInteger(const char* name, int32_t value) override { product_.WriteSettingInteger(name, value); }
  void ProcessMessages() override {}
  void SetProgress(int) override {}

 private:
  class TRecording : public TDirectoryEnumeration {
   public:
    TRecording(std::unique_ptr<TDirectoryEnumeration> inner, std::vector<std::string>& lines)
        : inner_(std::move(inner)), lines_(lines) {}
    bool Next(TFoundEntry& entry) override {
      if (!inner_->Next(entry)) return false;
      char figures[40];
      std::snprintf(figures, sizeof figures, " %#x %u", entry.Attributes, entry.SizeLow);
      lines_.push_back(entry.Name + figures);
      return true;
    }

   private:
    std::unique_ptr<TDirectoryEnumeration> inner_;
    std::vector<std::string>& lines_;
  };

  TListingSource source_;
  TDatabaseHost& product_ = Win32DatabaseHost();
  TNativeListings native_;
  size_t entries_ = 0;
};

class NativeScanTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    tree_ = new THostFolder();
    for (const char* step : {"names", "big"}) {
      tree_->Shell("cd " + ShellQuoted(tree_->HostPath()) + " && bash " + ShellQuoted(VELKORO_HARD_CASES_SCRIPT) +
                   " " + step);
    }
  }
  static void TearDownTestSuite() {
    delete tree_;
    tree_ = nullptr;
  }

  void SetUp() override {
    drive_ = std::make_unique<TTestDrive>(DRIVE_FIXED, tree_->HostPath());
    work_ = std::make_unique<TTestDrive>(DRIVE_REMOTE, workFolder_.HostPath());
    onlyThese_ = std::make_unique<TOnlyTheseFixedDrives>(std::string(1, drive_->Letter()));
  }

  // Scans into the work drive's file NAME; the database's bytes.
  std::vector<uint8_t> Scan(TScanHost& host, const std::string& name) {
    TMemoryDB db(host);
    EXPECT_TRUE(db.ScanDrives(work_->Root(name)));
    return ReadWholeFile(work_->Root(name));
  }

  static THostFolder* tree_;
  THostFolder workFolder_;
  TSettingsKeyScope settings_;
  std::unique_ptr<TTestDrive> drive_;
  std::unique_ptr<TTestDrive> work_;
  std::unique_ptr<TOnlyTheseFixedDrives> onlyThese_;
};

THostFolder* NativeScanTest::tree_ = nullptr;

// The first line where two pictures part, for a readable failure.
std::string FirstDifference(const std::map<std::string, std::vector<std::string>>& a,
                            const std::map<std::string, std::vector<std::string>>& b) {
  for (const auto& [pattern, lines] : a) {
    const auto other = b.find(pattern);
    if (other == b.end()) return pattern + " listed only by the reader";
    for (size_t i = 0; i < lines.size() || i < other->second.size(); ++i) {
      const std::string mine = i < lines.size() ? lines[i] : "(nothing)";
      const std::string theirs = i < other->second.size() ? other->second[i] : "(nothing)";
      if (mine != theirs) return pattern + " entry " + std::to_string(i) + ": " + mine + " / Wine: " + theirs;
    }
  }
  for (const auto& [pattern, lines] : b) {
    if (!a.count(pattern)) return pattern + " listed only by Wine";
  }
  return std::string();
}

TEST_F(NativeScanTest, EveryListingAndTheSavedDatabaseAreWhatWineGives) {
  TScanHost native(TListingSource::Reader);
  TScanHost wine(TListingSource::WineOnly);
  const std::vector<uint8_t> nativeFile = Scan(native, "native.dat");
  const std::vector<uint8_t> wineFile = Scan(wine, "wine.dat");

  EXPECT_EQ(FirstDifference(native.Listings, wine.Listings), "");
  ASSERT_GT(wineFile.size(), 20000u * 90);
  EXPECT_TRUE(nativeFile == wineFile) << "the two databases differ";
  // The reader listed the drive's plain folders (the deep chain alone has
  // 61), and left to Wine those a pattern cannot name exactly.
  EXPECT_GE(native.ListingsServed(), 70u);
  EXPECT_LT(native.ListingsServed(), native.Listings.size());
  EXPECT_TRUE(WaitFor([] { return ReaderFolders().empty(); }));
}

TEST_F(NativeScanTest, AChangeDuringTheWalkShowsOnlyInItsFolder) {
  const std::string changing = drive_->Root("CHANGING\\ :");
  TScanHost native(TListingSource::Reader);
  native.BeforeFindFirst = [this](const std::string& pattern) {
    if (pattern != drive_->Root("big\\*.*")) return;
    tree_->Shell("cd " + ShellQuoted(tree_->HostPath("changing")) + " && rm goes.txt && touch comes.txt");
  };
  TMemoryDB nativeDb(native);
  ASSERT_TRUE(nativeDb.ScanDrives(work_->Root("native.dat")));
  TScanHost wine(TListingSource::WineOnly);
  TMemoryDB wineDb(wine);
  ASSERT_TRUE(wineDb.ScanDrives(work_->Root("wine.dat")));
  tree_->Shell("cd " + ShellQuoted(tree_->HostPath("changing")) + " && rm comes.txt && touch goes.txt");

  std::vector<std::string> nativeLines = SortedTreeLines(nativeDb, drive_->Root());
  std::vector<std::string> wineLines = SortedTreeLines(wineDb, drive_->Root());
  ASSERT_EQ(nativeLines.size(), wineLines.size());
  for (size_t i = 0; i < nativeLines.size(); ++i) {
    if (wineLines[i].rfind(changing, 0) == 0) {
      EXPECT_EQ(wineLines[i], changing + " COMES.TXT STAYS.TXT");
      // The reader may have read the folder before the change or after it.
      EXPECT_TRUE(nativeLines[i] == wineLines[i] || nativeLines[i] == changing + " GOES.TXT STAYS.TXT")
          << nativeLines[i];
    } else {
      EXPECT_EQ(nativeLines[i], wineLines[i]);
    }
  }
}

// A reader that is not there, and one killed while the scan waits for the
// 20,000 files' listing: Wine lists whatever the reader did not, and the
// database is the same.
TEST_F(NativeScanTest, WithoutItsReaderTheScanSavesTheSameDatabase) {
  TScanHost wine(TListingSource::WineOnly);
  const std::vector<uint8_t> expected = Scan(wine, "wine.dat");

  TScanHost missing(TListingSource::ReaderMissing);
  EXPECT_TRUE(Scan(missing, "missing.dat") == expected) << "with the reader missing";
  EXPECT_EQ(missing.ListingsServed(), 0u);

  TScanHost killed(TListingSource::Reader);
  std::string pid;
  size_t servedBeforeTheKill = 0;
  killed.BeforeFindFirst = [&](const std::string& pattern) {
    if (pattern != drive_->Root("big\\*.*")) return;
    servedBeforeTheKill = killed.ListingsServed();
    pid = ReaderPid();
    ASSERT_FALSE(pid.empty());
    tree_->Shell("kill -KILL " + pid);
  };
  EXPECT_TRUE(Scan(killed, "killed.dat") == expected) << "with the reader killed mid-walk";
  EXPECT_FALSE(pid.empty());
  // C: and the test drive's root came from readers; from the 20,000 files
  // on, whose listing outgrows the FIFO, nothing could.
  EXPECT_GE(servedBeforeTheKill, 2u);
  EXPECT_EQ(killed.ListingsServed(), servedBeforeTheKill);
  EXPECT_TRUE(WaitFor([] { return ReaderFolders().empty(); }));
}

TEST_F(NativeScanTest, ACancelDuringANativeScanRaisesETerminateSavesNothingAndEndsTheReader) {
  TScanHost host(TListingSource::Reader);
  std::string pid;
  host.BeforeFindFirst = [&](const std::string& pattern) {
    if (pattern == drive_->Root("big\\*.*")) pid = ReaderPid();
  };
  // Within the 20,000 files, with the reader still writing.
  host.CancelAfter = 10000;
  TMemoryDB db(host);
  EXPECT_THROW(db.ScanDrives(work_->Root("cancelled.dat")), ETerminate);
  EXPECT_EQ(GetFileAttributesA(work_->Root("cancelled.dat").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_GE(host.ListingsServed(), 1u);
  ASSERT_FALSE(pid.empty());
  EXPECT_TRUE(WaitFor([&] { return !ProcessRuns(pid); })) << "the reader " << pid << " still runs";
  EXPECT_TRUE(WaitFor([] { return ReaderFolders().empty(); }));
}

}  // namespace
