// The driver link in the program: ChangeCallback's dispatch on every event
// code, and TExecutive with the real driver keeping the database and its
// result rows current while files change on the host.
#include <gtest/gtest.h>

#include <memory>

#include "executive.h"
#include "host_folder.h"
#include "memory_db.h"
#include "program_state.h"
#include "test_drive.h"
#include "win32_database_host.h"

namespace {

const std::string kDeleted = "File Deleted";
constexpr DWORD kAppliedMs = 20000;

template <typename Condition>
bool WaitUntil(DWORD milliseconds, Condition condition) {
  const DWORD start = GetTickCount();
  while (!condition()) {
    if (GetTickCount() - start >= milliseconds) return false;
    Sleep(10);
  }
  return true;
}

class DriverLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    drive_ = std::make_unique<TTestDrive>(DRIVE_FIXED, folder_.HostPath());
    only_ = std::make_unique<TOnlyTheseFixedDrives>(std::string(1, drive_->Letter()));
    Database = std::make_unique<TMemoryDB>(Win32DatabaseHost());
    Database->AddDirectory(drive_->Name());
  }
  void TearDown() override {
    Database.reset();
    only_.reset();
    drive_.reset();
  }

  std::vector<std::string> Rows() {
    std::vector<std::string> rows;
    for (int row = 0; row < Database->ResultCount(); ++row) rows.push_back(Database->ResultFullPath(row));
    return rows;
  }

  THostFolder folder_;
  std::unique_ptr<TTestDrive> drive_;
  std::unique_ptr<TOnlyTheseFixedDrives> only_;
};

// One row per event code, as the driver would hand it over; the path is
// passed on unchanged, in any letter case.
TEST_F(DriverLinkTest, ChangeCallbackDispatchesOnTheEventCode) {
  folder_.MakeFile("data/renamed.txt");
  const std::string data = drive_->Root("data");
  struct TRow {
    int32_t EventCode, SubCode;
    std::string Path, NewPath;
    std::string Search;
    std::vector<std::string> Expected;
  };
  std::string lowerData = data;
  for (char& c : lowerData) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  const std::vector<TRow> rows = {
      {32, 0, lowerData, "", data + "\\*", {}},
      {36, 0, lowerData + "\\new.txt", "", data + "\\*", {data.substr(0, 3) + "DATA\\NEW.TXT"}},
      {36, 0, data + "\\old.txt", "", data + "\\*", {data.substr(0, 3) + "DATA\\OLD.TXT", data.substr(0, 3) + "DATA\\NEW.TXT"}},
      {37, 9, data + "\\old.txt", data + "\\renamed.txt", data + "\\*",
       {data.substr(0, 3) + "DATA\\RENAMED.TXT", data.substr(0, 3) + "DATA\\NEW.TXT"}},
      {31, 5, data + "\\new.txt", "", data + "\\*", {data.substr(0, 3) + "DATA\\RENAMED.TXT"}},
      {33, 0, data + "\\renamed.txt", "", data + "\\*", {data.substr(0, 3) + "DATA\\RENAMED.TXT"}},
      {32, 7, data, "", data + "\\*", {}},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE("event code " + std::to_string(row.EventCode) + " on " + row.Path);
    TChangeRecord record = {row.Path.c_str(), row.NewPath.c_str(), row.SubCode, row.EventCode};
    EXPECT_EQ(ChangeCallback(&record), 0u);
    Database->Search(row.Search);
    EXPECT_EQ(Rows(), row.Expected);
  }
}

TEST_F(DriverLinkTest, HostChangesReachTheDatabaseAndItsRowsWhileTheLinkRuns) {
  for (const char* name : {"shown/keep.txt", "shown/gone.txt", "shown/moved.txt"}) folder_.MakeFile(name);
  Database->AddDirectory(drive_->Root("shown"));
  for (const char* name : {"keep.txt", "gone.txt", "moved.txt"}) Database->AddFile(drive_->Root("shown\\") + name);
  ShutdownEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  auto link = std::make_unique<TExecutive>();

  // Live once a file made on the host is found by a search.
  int probe = 0;
  ASSERT_TRUE(WaitUntil(kAppliedMs, [&] {
    folder_.MakeFile("probe" + std::to_string(++probe) + ".txt");
    Database->Search(drive_->Root("PROBE*.TXT"));
    return Database->ResultCount() > 0;
  })) << "no change reached the database";

  const std::string shown = drive_->Root("SHOWN\\");
  Database->Search(shown + "*");
  ASSERT_EQ(Rows(), (std::vector<std::string>{shown + "MOVED.TXT", shown + "GONE.TXT", shown + "KEEP.TXT"}));
  folder_.Remove("shown/gone.txt");
  folder_.Rename("shown/moved.txt", "shown/renamed.txt");
  const std::vector<std::string> expected = {shown + "RENAMED.TXT", kDeleted, shown + "KEEP.TXT"};
  EXPECT_TRUE(WaitUntil(kAppliedMs, [&] { return Rows() == expected; }))
      << "rows: " << ::testing::PrintToString(Rows());
  EXPECT_EQ(Database->ResultFileName(1), kDeleted);

  // A new directory and a file in it, made by a Linux program.
  folder_.Shell("mkdir -p " + ShellQuoted(folder_.HostPath("fresh/deep")) + " && : > " +
                ShellQuoted(folder_.HostPath("fresh/deep/made.txt")));
  EXPECT_TRUE(WaitUntil(kAppliedMs, [&] {
    Database->Search(drive_->Root("FRESH\\*"));
    return Rows() == std::vector<std::string>{drive_->Root("FRESH\\DEEP\\MADE.TXT")};
  }));

  // The shutdown event ends the thread, which deregisters and lets the
  // monitor end: its private folder goes with it. The monitor removes it as
  // it ends, a moment after the thread has stopped reading it.
  SetEvent(ShutdownEvent);
  EXPECT_TRUE(link->WaitFor(10000)) << "the driver-link thread did not end";
  const std::wstring pattern = L"\\\\?\\unix\\tmp\\.velkoro-monitor-" + std::to_wstring(GetCurrentProcessId()) + L"-*";
  EXPECT_TRUE(WaitUntil(kAppliedMs, [&] {
    WIN32_FIND_DATAW found;
    const HANDLE left = FindFirstFileW(pattern.c_str(), &found);
    if (left == INVALID_HANDLE_VALUE) return true;
    FindClose(left);
    return false;
  })) << "the monitor's folder is still there";
  CloseHandle(ShutdownEvent);
  ShutdownEvent = nullptr;
}

}  // namespace
