// The driver as the program uses it: opened as "\\.\velkoro.vxd", a routine
// registered with CTL_SET_CALLBACK, records delivered as APCs to the
// registering thread while it waits alertably, each valid until given back
// with CTL_RELEASE_RECORD; nothing delivered once the routine is removed.
#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "driver_session.h"
#include "host_folder.h"
#include "test_drive.h"

namespace {

constexpr DWORD kArrivalMs = 10000;

class DriverContractTest : public ::testing::Test {
 protected:
  void SetUp() override {
    drive_ = std::make_unique<TTestDrive>(DRIVE_FIXED, folder_.HostPath());
    // Only C: and the test's drive are watched (a fresh prefix's Z: is the
    // host's root as a fixed disk).
    only_ = std::make_unique<TOnlyTheseFixedDrives>(std::string(1, drive_->Letter()));
    session_ = std::make_unique<TDriverSession>();
    ASSERT_TRUE(session_->Register()) << "the driver refused the registration";
  }
  void TearDown() override {
    session_.reset();
    only_.reset();
    drive_.reset();
  }

  std::vector<TReceivedRecord> OnDrive() const { return session_->ReceivedUnder(drive_->Root()); }
  bool ArrivedOnDrive(size_t count) {
    return session_->WaitAlertably(kArrivalMs, [&] { return OnDrive().size() >= count; });
  }

  THostFolder folder_;
  std::unique_ptr<TTestDrive> drive_;
  std::unique_ptr<TOnlyTheseFixedDrives> only_;
  std::unique_ptr<TDriverSession> session_;
};

TEST_F(DriverContractTest, EveryChangeArrivesAsARecordThatStaysValidUntilReleased) {
  session_->KeepRecords = true;
  folder_.MakeDirectory("docs");
  // What happens inside a directory before the monitor watches it reaches
  // the program only as its walk finds it (nothing, once the directory has
  // gone again): the changes inside start once its own record is here.
  ASSERT_TRUE(ArrivedOnDrive(1)) << "no record of the new directory";
  folder_.MakeFile("docs/a.txt");
  folder_.Rename("docs/a.txt", "docs/b.txt");
  folder_.Remove("docs/b.txt");
  folder_.Shell("rmdir " + ShellQuoted(folder_.HostPath("docs")));
  ASSERT_TRUE(ArrivedOnDrive(7)) << OnDrive().size() << " records";

  const std::string docs = drive_->Root("docs");
  struct TExpected {
    uint32_t EventCode, SubCode;
    std::string Path, NewPath;
    uint32_t Spellings, NewSpellings;  // host names stored as the path's name, after the change
  };
  constexpr uint32_t kNone = kUnknownSpellings;
  // A rename is followed by the removal of the old name and the creation of
  // the new one: idempotent when it was applied, a repair when the new name
  // had gone again before the program could check it.
  const std::vector<TExpected> expected = {
      {32, 0, docs, "", 1, kNone},
      {36, 0, docs + "\\a.txt", "", 1, kNone},
      {37, 0, docs + "\\a.txt", docs + "\\b.txt", 0, 1},
      {31, 0, docs + "\\a.txt", "", 0, kNone},
      {36, 0, docs + "\\b.txt", "", 1, kNone},
      {31, 0, docs + "\\b.txt", "", 0, kNone},
      {32, 1, docs, "", 0, kNone},
  };
  const std::vector<TReceivedRecord> received = OnDrive();
  ASSERT_EQ(received.size(), expected.size());
  std::set<const void*> addresses;
  for (size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE("record " + std::to_string(i));
    EXPECT_EQ(received[i].EventCode, expected[i].EventCode);
    if (expected[i].EventCode == 32) {
      EXPECT_EQ(received[i].SubCode, expected[i].SubCode);
    }
    EXPECT_EQ(received[i].Path, expected[i].Path);
    EXPECT_EQ(received[i].NewPath, expected[i].NewPath);
    addresses.insert(received[i].Address);
    // Still intact after everything that came later, until released.
    const auto* record = static_cast<const TRecordLayout*>(received[i].Address);
    EXPECT_EQ(record->EventCode, expected[i].EventCode);
    EXPECT_EQ(std::string(record->Path), expected[i].Path);
    if (record->EventCode == 37) {
      EXPECT_EQ(std::string(record->NewPath), expected[i].NewPath);
    }
    THostSpellings spellings;
    ASSERT_TRUE(session_->Spellings(received[i].Address, spellings));
    EXPECT_EQ(spellings.Path, expected[i].Spellings);
    EXPECT_EQ(spellings.NewPath, expected[i].NewSpellings);
  }
  EXPECT_EQ(addresses.size(), expected.size()) << "two records shared an address";

  for (const TReceivedRecord& record : session_->Received) EXPECT_TRUE(session_->Release(record.Address));
  THostSpellings released;
  EXPECT_FALSE(session_->Spellings(received.front().Address, released)) << "a released record still answered";
  // Released twice, or never delivered: ignored, and the driver goes on.
  EXPECT_TRUE(session_->Release(received.front().Address));
  int local = 0;
  EXPECT_TRUE(session_->Release(&local));
  EXPECT_TRUE(session_->Release(reinterpret_cast<const void*>(0x10)));
  session_->KeepRecords = false;
  session_->Received.clear();
  folder_.MakeFile("after.txt");
  ASSERT_TRUE(ArrivedOnDrive(1));
  EXPECT_EQ(OnDrive().front().Path, drive_->Root("after.txt"));
}

TEST_F(DriverContractTest, NonAsciiHostNamesArriveAsFindFirstFileASpellsThem) {
  // UTF-8 names as a Linux program makes them: one the ANSI code page holds,
  // two it does not, and one that is not UTF-8 at all.
  folder_.Shell("cd " + ShellQuoted(folder_.HostPath()) +
                " && : > $(printf 'caf\\303\\251.txt') && : > $(printf '\\316\\251mega.txt')" +
                " && : > $(printf '\\346\\227\\245\\346\\234\\254.txt') && : > $(printf 'bad\\377.txt')");
  ASSERT_TRUE(ArrivedOnDrive(4));
  std::set<std::string> reported;
  for (const TReceivedRecord& record : OnDrive()) {
    EXPECT_EQ(record.EventCode, 36u);
    reported.insert(record.Path.substr(drive_->Root().size()));
  }
  std::set<std::string> listed;
  WIN32_FIND_DATAA found;
  const HANDLE search = FindFirstFileA(drive_->Root("*").c_str(), &found);
  ASSERT_NE(search, INVALID_HANDLE_VALUE);
  do {
    if (found.cFileName[0] != '.') listed.insert(found.cFileName);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  EXPECT_EQ(reported, listed);
  EXPECT_TRUE(reported.count("caf\xe9.txt")) << "the accented name did not convert exactly";
}

TEST_F(DriverContractTest, NothingIsDeliveredAfterTheRoutineIsRemoved) {
  // The first record removes the routine from inside the routine: the
  // records already queued behind it must not reach it.
  folder_.Shell("cd " + ShellQuoted(folder_.HostPath()) + " && for i in $(seq 1 300); do : > f$i; done");
  bool removed = false;
  ASSERT_TRUE(session_->WaitAlertably(kArrivalMs, [&] {
    if (!OnDrive().empty() && !removed) removed = session_->Deregister();
    return removed;
  }));
  const size_t whenRemoved = session_->Received.size();
  folder_.MakeFile("later.txt");
  session_->WaitAlertably(1000, [] { return false; });
  EXPECT_EQ(session_->Received.size(), whenRemoved) << "records arrived after the routine was removed";

  // The driver takes a registration again, one at a time.
  ASSERT_TRUE(session_->Register());
  EXPECT_FALSE(session_->Register()) << "a second registration was accepted";
  folder_.MakeFile("again.txt");
  ASSERT_TRUE(session_->WaitAlertably(kArrivalMs, [&] {
    for (const TReceivedRecord& record : session_->Received) {
      if (record.Path == drive_->Root("again.txt")) return true;
    }
    return false;
  })) << ::testing::PrintToString(session_->Received.size()) << " " << (session_->Received.empty() ? "" : session_->Received.back().Path);
}

TEST_F(DriverContractTest, ARoutineThatRemovesItselfGetsNoneOfTheRecordsHandedOverWithIt) {
  // Made while this thread does not wait alertably: the records wait in the
  // driver together, and go to the routine in one APC. The first one it
  // gets removes it, and the others must stay with the driver.
  folder_.Shell("cd " + ShellQuoted(folder_.HostPath()) + " && for i in $(seq 1 300); do : > f$i; done");
  session_->DeregisterInRoutine = true;
  ASSERT_TRUE(session_->WaitAlertably(kArrivalMs, [&] { return !session_->Received.empty(); }));
  session_->WaitAlertably(1000, [] { return false; });
  EXPECT_EQ(session_->Received.size(), 1u) << "records arrived after the routine removed itself";
}

}  // namespace
