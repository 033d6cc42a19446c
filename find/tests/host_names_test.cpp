// The command's own work on names, natively: code page 1252 and its upper
// case, host folders to drive paths, and the real case of a path recovered
// from a folder on disk.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "ansi_text.h"
#include "case_recovery.h"
#include "drive_map.h"
#include "query_protocol.h"

TEST(AnsiText, CodePage1252BothWaysAndItsUpperCase) {
  EXPECT_EQ(AnsiFromUtf8("caf\xC3\xA9 \xE2\x82\xAC"), "caf\xE9 \x80");
  EXPECT_EQ(Utf8FromAnsi("caf\xE9 \x80"), "caf\xC3\xA9 \xE2\x82\xAC");
  EXPECT_EQ(AnsiFromUtf8("\xCE\xB1\xE6\x97\xA5"), "??");  // Greek and CJK are not in the page
  EXPECT_EQ(AnsiFromUtf8("bad\xFF"), "bad?");
  EXPECT_EQ(AnsiUpper("readme.txt \xE9\xF7\xFF\x9A"), "README.TXT \xC9\xF7\x9F\x8A");
}

namespace {

class HostFolders : public ::testing::Test {
 protected:
  HostFolders() {
    char pattern[] = "/tmp/velkoro-find-test-XXXXXX";
    root_ = mkdtemp(pattern);
    Make("/drive-d/Src/Deep");
    Make("/drive-d/Twins");
    Make("/channel");
    Touch("/drive-d/Src/Main.c");
    Touch("/drive-d/Src/Deep/Caf\xC3\xA9.Txt");
    Touch("/drive-d/Twins/Same.cfg");
    Touch("/drive-d/Twins/SAME.cfg");
    std::ofstream(root_ + "/channel/" + query_protocol::kDrivesFile)
        << "C\t" << root_ << "/\nD\t" << root_ << "/drive-d/\nbroken line\n";
    std::string problem;
    EXPECT_TRUE(drives_.Load(root_ + "/channel", problem)) << problem;
  }
  ~HostFolders() override { std::system(("rm -rf '" + root_ + "'").c_str()); }
  void Make(const std::string& path) { std::system(("mkdir -p '" + root_ + path + "'").c_str()); }
  void Touch(const std::string& path) { std::ofstream(root_ + path) << "x"; }

  std::string root_;
  TDriveMap drives_;
};

}  // namespace

TEST_F(HostFolders, FoldersBecomeDrivePathsOfTheDeepestDrive) {
  EXPECT_EQ(drives_.DrivePathOf(root_ + "/drive-d/Src"), "D:\\Src\\");
  EXPECT_EQ(drives_.DrivePathOf(root_ + "/drive-d"), "D:\\");
  EXPECT_EQ(drives_.DrivePathOf(root_ + "/channel"), "C:\\channel\\");
  EXPECT_EQ(drives_.DrivePathOf(root_ + "-elsewhere"), "");
  EXPECT_EQ(drives_.DrivePathOf("/usr"), "");
  EXPECT_EQ(drives_.HostRoot('D'), root_ + "/drive-d");
  EXPECT_EQ(drives_.HostRoot('E'), "");
}

TEST_F(HostFolders, RealCaseRecovered) {
  TCaseRecovery recovery(drives_);
  std::string warning;
  EXPECT_EQ(recovery.HostPath("D:\\SRC\\MAIN.C", warning), root_ + "/drive-d/Src/Main.c");
  EXPECT_EQ(warning, "");
  EXPECT_EQ(recovery.HostPath("D:\\SRC\\DEEP\\CAF\xC9.TXT", warning), root_ + "/drive-d/Src/Deep/Caf\xC3\xA9.Txt");
  // Gone from the host since: the index's spelling stays.
  EXPECT_EQ(recovery.HostPath("D:\\SRC\\GONE.C", warning), root_ + "/drive-d/Src/GONE.C");
  // Two spellings, in the index twice: each printed once, the first time
  // with a word of warning.
  const std::string first = recovery.HostPath("D:\\TWINS\\SAME.CFG", warning);
  EXPECT_NE(warning.find("differ only in case"), std::string::npos);
  const std::string second = recovery.HostPath("D:\\TWINS\\SAME.CFG", warning);
  EXPECT_EQ(warning, "");
  EXPECT_EQ(first, root_ + "/drive-d/Twins/SAME.cfg");
  EXPECT_EQ(second, root_ + "/drive-d/Twins/Same.cfg");
  // A folder asked often has its names sorted by key: the same answers.
  for (int i = 0; i < 12; ++i) {
    EXPECT_EQ(recovery.HostPath("D:\\SRC\\MAIN.C", warning), root_ + "/drive-d/Src/Main.c") << i;
    EXPECT_EQ(recovery.HostPath("D:\\SRC\\NONE.C", warning), root_ + "/drive-d/Src/NONE.C") << i;
    EXPECT_EQ(recovery.HostPath("D:\\TWINS\\SAME.CFG", warning),
              root_ + (i % 2 ? "/drive-d/Twins/Same.cfg" : "/drive-d/Twins/SAME.cfg")) << i;
  }
}

// With the whole answer planned, paths held once are looked for in their
// likely spellings and the rest listed: every path and every warning must
// be what listing alone gives.
TEST_F(HostFolders, PlannedAnswerRecoveredAsByListing) {
  Make("/drive-d/lib");
  Make("/drive-d/conf");
  Make("/drive-d/Conf");
  Make("/drive-d/many");
  Make("/drive-d/lib/sub");
  Make("/drive-d/lib/Compress/IO");
  Touch("/drive-d/lib/sub/one.txt");
  Touch("/drive-d/lib/Compress/IO/Zlib.pm");
  for (const char* name : {"zlib.h", "README", "Mixed.h"}) Touch(std::string("/drive-d/lib/") + name);
  Touch("/drive-d/conf/a.txt");
  Touch("/drive-d/Conf/a.txt");
  std::string answer;
  const auto add = [&answer](const std::string& path) { answer += path + '\0'; };
  for (const char* path : {"D:\\LIB\\ZLIB.H", "D:\\LIB\\README", "D:\\LIB\\MIXED.H", "D:\\LIB\\GONE.H",
                           "D:\\SRC\\MAIN.C", "D:\\TWINS\\SAME.CFG", "D:\\CONF\\A.TXT", "D:\\TWINS\\SAME.CFG",
                           "D:\\CONF\\A.TXT", "D:\\SRC\\DEEP\\CAF\xC9.TXT", "D:\\LIB\\SUB\\ONE.TXT",
                           "D:\\LIB\\COMPRESS\\IO\\ZLIB.PM"}) {
    add(path);
  }
  // A folder with enough results to be listed once for them all.
  for (int i = 0; i < 40; ++i) {
    Touch("/drive-d/many/f" + std::to_string(i) + ".c");
    add("D:\\MANY\\F" + std::to_string(i) + ".C");
  }
  TCaseRecovery listing(drives_);
  TCaseRecovery planned(drives_);
  planned.Plan(answer);
  std::string listingWarning, plannedWarning;
  for (size_t start = 0; start < answer.size(); start = answer.find('\0', start) + 1) {
    const std::string path(answer.c_str() + start);
    EXPECT_EQ(planned.HostPath(path, plannedWarning), listing.HostPath(path, listingWarning)) << path;
    EXPECT_EQ(plannedWarning, listingWarning) << path;
  }
  EXPECT_EQ(planned.HostPath("D:\\LIB\\ZLIB.H", plannedWarning), root_ + "/drive-d/lib/zlib.h");
  EXPECT_EQ(planned.HostPath("D:\\LIB\\README", plannedWarning), root_ + "/drive-d/lib/README");
  EXPECT_EQ(planned.HostPath("D:\\LIB\\MIXED.H", plannedWarning), root_ + "/drive-d/lib/Mixed.h");
  EXPECT_EQ(planned.HostPath("D:\\LIB\\SUB\\ONE.TXT", plannedWarning), root_ + "/drive-d/lib/sub/one.txt");
  EXPECT_EQ(planned.HostPath("D:\\LIB\\COMPRESS\\IO\\ZLIB.PM", plannedWarning),
            root_ + "/drive-d/lib/Compress/IO/Zlib.pm");
}
