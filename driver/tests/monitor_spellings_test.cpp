// Every record of the monitor says how many host names of its directory the
// program stores as the record's name: names that differ only in case (and
// names of characters the program's code page lacks) become one stored name.
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "monitor_protocol.h"
#include "monitor_session.h"
#include "spelling_index.h"

namespace fs = std::filesystem;
namespace mp = monitor_protocol;

namespace {

TEST(StoredName, FoldsAsTheProgramStoresNames) {
  const struct {
    const char* Host;
    const char* Stored;
  } rows[] = {
      {"Makefile", "MAKEFILE"},
      {"xt_CONNMARK.h", "XT_CONNMARK.H"},
      {"caf\xC3\xA9", "CAF\xC9"},               // e acute, upper-cased in the code page
      {"\xC5\x93uvre", "\x8CUVRE"},              // oe, one of the code page's own letters
      {"\xC3\xBF", "\x9F"},                      // y diaeresis
      {"stra\xC3\x9F" "e", "STRA\xDF" "E"},      // sharp s has no capital
      {"\xD0\xBF\xD1\x80\xD0\xB8", "???"},        // Cyrillic: outside the code page
      {"emoji-\xF0\x9F\x98\x80", "EMOJI-??"},    // two UTF-16 units, two marks
      {"bad\xFFutf8", "BAD?UTF8"},               // a byte that is no UTF-8
      {"cut\xC3", "CUT?"},
  };
  for (const auto& row : rows) EXPECT_EQ(StoredName(row.Host), row.Stored) << row.Host;
}

class MonitorSpellings : public ::testing::Test {
 protected:
  void SetUp() override {
    char scratch[] = "/tmp/velkoro-monitor-spellings-XXXXXX";
    ASSERT_TRUE(mkdtemp(scratch));
    folder_ = scratch;
  }
  void TearDown() override {
    if (session_) EXPECT_TRUE(session_->Stop(5000));
    fs::remove_all(folder_);
  }
  void Touch(const std::string& name) {
    const int fd = open((folder_ + "/" + name).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0) << name;
    close(fd);
  }
  // The next record of that event that names Path (a rename's follow-up
  // records name its paths too); false when none comes in time.
  bool Expect(uint8_t eventCode, const std::string& path, TMonitorRecord& record) {
    while (session_->Next(record, 10000)) {
      if (record.EventCode == eventCode && record.Path == path) return true;
    }
    return false;
  }

  std::string folder_;
  std::unique_ptr<TMonitorSession> session_;
};

// Each change made on the host, and the event, name and counts of the first
// record that names it afterwards.
TEST_F(MonitorSpellings, EachRecordCarriesTheSpellingsRightAfterItsChange) {
  Touch("Twin.txt");
  Touch("twin.txt");
  session_ = std::make_unique<TMonitorSession>(std::vector<std::string>{folder_});
  auto in = [&](const std::string& name) { return folder_ + "/" + name; };
  const struct {
    std::function<void()> Change;
    uint8_t EventCode;
    std::string Path;
    uint8_t Spellings, NewSpellings;
  } rows[] = {
      {[&] { unlink(in("twin.txt").c_str()); }, mp::kFileDeleted, "twin.txt", 1, mp::kSpellingsUnknown},
      {[&] { Touch("Other.txt"); }, mp::kFileCreated, "Other.txt", 1, mp::kSpellingsUnknown},
      {[&] { Touch("other.txt"); }, mp::kFileCreated, "other.txt", 2, mp::kSpellingsUnknown},
      {[&] { std::rename(in("other.txt").c_str(), in("third.txt").c_str()); }, mp::kRenamed, "other.txt", 1, 1},
      {[&] { std::rename(in("third.txt").c_str(), in("OTHER.TXT").c_str()); }, mp::kRenamed, "third.txt", 0, 2},
      {[&] { unlink(in("OTHER.TXT").c_str()); }, mp::kFileDeleted, "OTHER.TXT", 1, mp::kSpellingsUnknown},
      {[&] { fs::create_directory(in("Dir")); }, mp::kDirectory, "Dir", 1, mp::kSpellingsUnknown},
      {[&] { fs::create_directory(in("dir")); }, mp::kDirectory, "dir", 2, mp::kSpellingsUnknown},
      {[&] { Touch("DIR"); }, mp::kFileCreated, "DIR", 1, mp::kSpellingsUnknown},  // a file: a kind of its own
      {[&] { fs::remove(in("dir")); }, mp::kDirectory, "dir", 1, mp::kSpellingsUnknown},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Path);
    row.Change();
    TMonitorRecord record;
    ASSERT_TRUE(Expect(row.EventCode, row.Path, record)) << session_->Diagnostics();
    EXPECT_EQ(int(record.Spellings), int(row.Spellings));
    if (row.EventCode == mp::kRenamed) EXPECT_EQ(int(record.NewSpellings), int(row.NewSpellings));
  }
}

}  // namespace
