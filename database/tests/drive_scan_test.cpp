#include "drive_scan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "crc32.h"
#include "database_image.h"
#include "exceptions.h"
#include "fake_host.h"
#include "memory_db.h"
#include "temp_directory.h"
#include "tree_dump.h"

namespace {

using Lines = std::vector<std::string>;

TEST(ClusterRoundedSize, RoundsUpToWholeClusters) {
  struct Case {
    uint32_t Size;
    int64_t Cluster;
    double Expected;
  };
  const Case cases[] = {
      {0, 4096, 0},
      {1, 4096, 4096},
      {4095, 4096, 4096},
      {4096, 4096, 4096},
      {4097, 4096, 8192},
      {1000, 512, 1024},
      {0xFFFFFFFFu, 4096, 4294967296.0},  // beyond 32 bits once rounded
      {0xFFFFFFFFu, 1, 4294967295.0},
      // No cluster size known yet: the size counts as it is.
      {1000, 0, 1000},
      {0, 0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ClusterRoundedSize(c.Size, c.Cluster), c.Expected)
        << c.Size << " in clusters of " << c.Cluster;
  }
}

class DriveScanTest : public ::testing::Test {
 protected:
  void TearDown() override {
    EXPECT_EQ(host.LocksHeld, 0) << "the scan left the database lock held";
    EXPECT_EQ(host.OpenEnumerations, 0) << "the scan left an enumeration open";
  }

  std::vector<uint8_t> SavedFile() const { return ReadFileBytes(path_); }
  Lines Dump() const { return DumpTree(*db.DirList); }
  bool Searched(const std::string& pattern) const {
    for (const std::string& p : host.FindPatterns) {
      if (p == pattern) return true;
    }
    return false;
  }

  TTempDirectory directory_{"scan"};
  const std::string path_ = directory_.File("memdb.dat");
  TFakeHost host;
  TMemoryDB db{host};
};

TEST_F(DriveScanTest, EmptyFixedRootGivesOneRootNodeAndOneProgressStep) {
  host.DefineDrive('C', kDriveFixed);
  ASSERT_TRUE(db.ScanDrives(path_));
  EXPECT_EQ(db.FileName, path_);
  EXPECT_EQ(Dump(), Lines({"C:\\ :"}));
  EXPECT_EQ(host.Progress.size(), 1u);
  EXPECT_EQ(host.FindPatterns, Lines({"C:\\*.*"}));
  // "." and ".." are enumerated, and pump messages, like any entry.
  EXPECT_EQ(host.MessagesProcessed, 2);
  const std::vector<uint8_t> rootOnly = {1, 0, 0, 0, 2, 0, 0, 0, 'C', ':', 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(SavedFile(), rootOnly);
}

TEST_F(DriveScanTest, OnlyFixedDrivesAreCountedAndWalkedInLetterOrder) {
  struct DriveCase {
    char Letter;
    unsigned Type;
  };
  // Removable, network, CD-ROM and RAM drives among fixed ones.
  const DriveCase drives[] = {{'Z', 3}, {'A', 2}, {'E', 4}, {'C', 3}, {'D', 5}, {'F', 6}, {'M', 3}};
  for (const DriveCase& d : drives) {
    host.DefineDrive(d.Letter, d.Type);
    host.MakeFile(std::string(1, d.Letter) + ":\\file.txt");
  }
  ASSERT_TRUE(db.ScanDrives(path_));
  EXPECT_EQ(Dump(), Lines({"C:\\ : FILE.TXT", "M:\\ : FILE.TXT", "Z:\\ : FILE.TXT"}));
  EXPECT_EQ(host.FindPatterns, Lines({"C:\\*.*", "M:\\*.*", "Z:\\*.*"}));
  // Used space 4000 clusters of 4 KB on each of the three fixed drives.
  EXPECT_EQ(ScanTotalKB, 1 + 3 * 16000.0);
  // Both passes ask for every letter.
  EXPECT_EQ(host.DriveTypeQueries, 2 * 26);
}

TEST_F(DriveScanTest, NamesBeginningWithAFullStopAreLeftOut) {
  host.DefineDrive('C', kDriveFixed);
  host.MakeFile("C:\\.PROFILE");
  host.MakeFile("C:\\.HIDDEN\\inside.txt");
  host.MakeFile("C:\\README");
  host.MakeFile("C:\\A.B.C");
  host.MakeFile("C:\\X.Y\\inside.txt");
  host.MakeFile("C:\\TRAILING.");
  ASSERT_TRUE(db.ScanDrives(path_));
  EXPECT_EQ(Dump(), Lines({"C:\\ : TRAILING. A.B.C README", "C:\\X.Y\\ : INSIDE.TXT"}));
  EXPECT_FALSE(Searched("C:\\.HIDDEN\\*.*"));
}

TEST_F(DriveScanTest, NamesAreStoredUpperCaseWhileTheWalkUsesTheirSpelling) {
  host.DefineDrive('c', kDriveFixed);
  host.MakeFile("C:\\Program Files\\Caf\xE9 Menu\\read me.txt");
  host.MakeFile("C:\\Program Files\\na\xEFve.doc");
  ASSERT_TRUE(db.ScanDrives(path_));
  EXPECT_EQ(Dump(), Lines({"C:\\ :", "C:\\PROGRAM FILES\\ : NA\xCFVE.DOC",
                           "C:\\PROGRAM FILES\\CAF\xC9 MENU\\ : READ ME.TXT"}));
  EXPECT_EQ(host.FindPatterns,
            Lines({"C:\\*.*", "C:\\Program Files\\*.*", "C:\\Program Files\\Caf\xE9 Menu\\*.*"}));
}

TEST_F(DriveScanTest, TreeComesOutDepthFirstWithEachFileChainNewestFirst) {
  host.DefineDrive('D', kDriveFixed);
  host.DefineDrive('C', kDriveFixed);
  host.MakeFile("C:\\A\\A1\\one");
  host.MakeFile("C:\\first");
  host.MakeDirectory("C:\\A\\A2");
  host.MakeFile("C:\\second");
  host.MakeFile("C:\\B\\two");
  host.MakeFile("D:\\third");
  ASSERT_TRUE(db.ScanDrives(path_));
  EXPECT_EQ(Dump(), Lines({"C:\\ : SECOND FIRST", "C:\\A\\ :", "C:\\A\\A1\\ : ONE", "C:\\A\\A2\\ :",
                           "C:\\B\\ : TWO", "D:\\ : THIRD"}));
}

TEST_F(DriveScanTest, EveryAttributeButTheDirectoryBitIsIgnored) {
  host.DefineDrive('C', kDriveFixed);
  host.MakeFile("C:\\hidden.sys", 0, 0x02);
  host.MakeFile("C:\\system.sys", 0, 0x04);
  host.MakeFile("C:\\readonly.txt", 0, 0x01);
  host.MakeFile("C:\\archive.txt", 0, 0x20);
  ASSERT_TRUE(db.ScanDrives(path_));
  EXPECT_EQ(Dump(), Lines({"C:\\ : ARCHIVE.TXT READONLY.TXT SYSTEM.SYS HIDDEN.SYS"}));
}

TEST_F(DriveScanTest, ReparsePointIsRecordedButNeverEntered) {
  host.DefineDrive('C', kDriveFixed);
  // A host symbolic link back to the drive's own root would loop for ever.
  host.MakeDirectory("C:\\loop", kAttributeReparsePoint);
  host.MakeFile("C:\\loop\\inside.txt");
  host.MakeFile("C:\\linked.txt", 0, kAttributeReparsePoint);
  ASSERT_TRUE(db.ScanDrives(path_));
  EXPECT_EQ(Dump(), Lines({"C:\\ : LINKED.TXT", "C:\\LOOP\\ :"}));
  EXPECT_FALSE(Searched("C:\\loop\\*.*"));
  EXPECT_EQ(host.Progress.size(), 1u) << "only the walked root moves the bar";
}

TEST_F(DriveScanTest, DirectoryThatCannotBeEnumeratedBecomesAnEmptyNode) {
  host.DefineDrive('C', kDriveFixed);
  host.MakeDirectory("C:\\Locked").Unreadable = true;
  host.MakeFile("C:\\Locked\\secret.txt");
  host.MakeFile("C:\\Locked\\Sub\\deeper.txt");
  host.MakeFile("C:\\After\\seen.txt");
  ASSERT_TRUE(db.ScanDrives(path_));
  EXPECT_EQ(Dump(), Lines({"C:\\ :", "C:\\LOCKED\\ :", "C:\\AFTER\\ : SEEN.TXT"}));
  EXPECT_TRUE(Searched("C:\\Locked\\*.*"));
  EXPECT_EQ(host.Progress.size(), 3u) << "the failed directory moves the bar too";
}

TEST_F(DriveScanTest, NameTooLongForTheDatabaseFileIsLeftOut) {
  host.DefineDrive('C', kDriveFixed);
  const std::string longest(kMaxNameLength, 'n');
  host.MakeFile("C:\\" + longest);
  host.MakeFile("C:\\" + longest + "x");
  host.MakeFile("C:\\" + longest + "y\\inside");
  ASSERT_TRUE(db.ScanDrives(path_));
  EXPECT_EQ(Dump(), Lines({"C:\\ : " + std::string(kMaxNameLength, 'N')}));
}

TEST_F(DriveScanTest, ProgressMovesOncePerDirectoryAndNeverBackwards) {
  host.DefineDrive('C', kDriveFixed);
  host.SpaceOf = {8, 512, 0, 10};  // 40 KB used in clusters of 4 KB
  host.MakeFile("C:\\Sub\\Deeper\\c.bin", 5000);
  host.MakeFile("C:\\Sub\\b.bin", 4096);
  host.MakeDirectory("C:\\Locked").Unreadable = true;
  host.MakeDirectory("C:\\Link", kAttributeReparsePoint);
  host.MakeFile("C:\\Link\\unseen.bin", 400000);
  host.MakeFile("C:\\a.bin", 1);
  ASSERT_TRUE(db.ScanDrives(path_));

  EXPECT_EQ(ScanTotalKB, 41);
  EXPECT_EQ(ScanDoneKB, 16);
  // Sub and Locked have half the bar each (Link is not entered); Deeper has
  // all of Sub's. Deeper, Sub, Locked, the root.
  EXPECT_EQ(host.Progress, std::vector<int>({50, 50, 100, 100}));
  // Every enumerated entry, "." and ".." included, pumps messages once.
  EXPECT_EQ(host.MessagesProcessed, 6 + 4 + 3);
}

// The bar follows the share of the tree walked, whatever the free-space
// query says: here it reports no used space at all (as Wine's Windows 95 mode
// does), and on D: it fails.
TEST_F(DriveScanTest, ProgressFollowsTheShareOfAnUnevenTreeWalked) {
  host.DefineDrive('C', kDriveFixed);
  host.DefineDrive('D', kDriveFixed, false);
  host.DefineDrive('E', kDriveFixed);
  host.SpaceOf = {8, 512, 1000, 1000};
  host.MakeFile("C:\\A\\A1\\x.txt", 1000000);
  host.MakeDirectory("C:\\A\\A2");
  host.MakeFile("C:\\A\\A3\\Deep\\Deeper\\y.txt");
  host.MakeFile("C:\\B\\z.txt");
  host.MakeFile("C:\\.hidden\\w.txt");
  host.MakeFile("D:\\Only\\v.txt");
  ASSERT_TRUE(db.ScanDrives(path_));
  // A third of the bar a drive; C:'s third halved between A and B, A's
  // sixth divided in three. A1, A2, Deeper, Deep, A3, A, B, C:, Only, D:,
  // then E:'s empty root ends the walk.
  EXPECT_EQ(host.Progress, std::vector<int>({5, 11, 16, 16, 16, 16, 33, 33, 66, 66, 100}));
}

TEST_F(DriveScanTest, UsedSpaceAddsUpAndADriveWithoutAnAnswerKeepsThePreviousClusterSize) {
  host.DefineDrive('C', kDriveFixed);
  host.DefineDrive('D', kDriveFixed, false);
  host.DefineDrive('E', kDriveFixed);
  host.SpaceOfDrive['C'] = {2, 512, 10, 110};   // 100 KB used, 1 KB clusters
  host.SpaceOfDrive['E'] = {16, 512, 0, 64};    // 512 KB used, 8 KB clusters
  host.MakeFile("C:\\c.txt", 1);
  host.MakeFile("D:\\Sub\\d.txt", 1);
  host.MakeFile("E:\\e.txt", 1);
  ASSERT_TRUE(db.ScanDrives(path_));
  EXPECT_EQ(ScanTotalKB, 1 + 100 + 512);
  EXPECT_EQ(ScanDoneKB, 1 + 1 + 8);
  EXPECT_EQ(ClusterSize, 8192);
  EXPECT_EQ(Dump(), Lines({"C:\\ : C.TXT", "D:\\ :", "D:\\SUB\\ : D.TXT", "E:\\ : E.TXT"}));
}

TEST_F(DriveScanTest, BeforeAnyDriveGivesAClusterSizeSizesCountAsTheyAre) {
  host.DefineDrive('C', kDriveFixed, false);
  host.DefineDrive('D', kDriveFixed);
  host.MakeFile("C:\\c.txt", 1000);
  host.MakeFile("D:\\d.txt", 1);
  ASSERT_TRUE(db.ScanDrives(path_));
  EXPECT_EQ(ScanTotalKB, 1 + 16000);
  EXPECT_EQ(ScanDoneKB, (1000.0 + 4096.0) / 1024);
  // A rescan starts from no cluster size again, not from D:'s.
  ASSERT_TRUE(db.ScanDrives(path_));
  EXPECT_EQ(ScanDoneKB, (1000.0 + 4096.0) / 1024);
}

TEST_F(DriveScanTest, NoFixedDriveGivesAnEmptyTreeSavedAsANodeCountOfZero) {
  host.DefineDrive('A', 2);
  host.DefineDrive('D', 5);
  host.MakeFile("A:\\floppy.txt");
  ASSERT_TRUE(db.ScanDrives(path_));
  EXPECT_EQ(db.DirList->FirstNode(), nullptr);
  EXPECT_EQ(ScanTotalKB, 1);
  EXPECT_EQ(ScanDoneKB, 0);
  EXPECT_TRUE(host.Progress.empty());
  EXPECT_EQ(SavedFile(), std::vector<uint8_t>({0, 0, 0, 0}));
}

TEST_F(DriveScanTest, ScanReplacesTreeAndResultRowsAndSavesTheNewTree) {
  host.DefineDrive('C', kDriveFixed);
  host.MakeFile("C:\\Windows\\win.ini");
  host.MakeFile("C:\\autoexec.bat");
  TDirectoryRecord* old = db.DirList->AddNode("OLD:", nullptr);
  db.DirList->AddEntry("GONE.TXT", old);
  db.ResultFiles = {db.DirList->FirstEntry(old), nullptr};
  db.ResultDirs = {old, nullptr};

  ASSERT_TRUE(db.ScanDrives(path_));
  EXPECT_EQ(Dump(), Lines({"C:\\ : AUTOEXEC.BAT", "C:\\WINDOWS\\ : WIN.INI"}));
  EXPECT_TRUE(db.ResultFiles.empty());
  EXPECT_TRUE(db.ResultDirs.empty());

  std::vector<uint8_t> expected;
  ASSERT_TRUE(EncodeDatabaseImage(*db.DirList, expected));
  EXPECT_EQ(SavedFile(), expected);
  EXPECT_EQ(static_cast<uint32_t>(host.Settings.at("CRC32")), StreamCRC(expected));
}

TEST_F(DriveScanTest, FailingSaveStillEndsTheScanWithTheNewTree) {
  host.DefineDrive('C', kDriveFixed);
  host.MakeFile("C:\\kept.txt");
  host.FailSettingWrites = true;
  ASSERT_TRUE(db.ScanDrives(path_));
  EXPECT_EQ(Dump(), Lines({"C:\\ : KEPT.TXT"}));
}

TEST_F(DriveScanTest, CancelDeepInTheTreeClosesEveryEnumerationFreesTheLockAndSavesNothing) {
  host.DefineDrive('C', kDriveFixed);
  host.DefineDrive('D', kDriveFixed);
  host.MakeFile("C:\\L1\\L2\\L3\\L4\\deep.txt");
  host.MakeFile("C:\\Later\\never.txt");
  host.MakeFile("D:\\never.txt");
  const std::vector<uint8_t> earlier = {0, 0, 0, 0};
  WriteFileBytes(path_, earlier);
  host.Settings["CRC32"] = 777;
  int deepestOpen = 0;
  host.OnProcessMessages = [&] {
    deepestOpen = std::max(deepestOpen, host.OpenEnumerations);
    // The user confirms Cancel while the walk is five levels down.
    if (host.OpenEnumerations == 5) host.Terminate = true;
  };

  try {
    db.ScanDrives(path_);
    FAIL() << "the cancelled scan returned";
  } catch (const ETerminate& e) {
    EXPECT_STREQ(e.what(), "User Terminate");
  }
  EXPECT_EQ(deepestOpen, 5);
  EXPECT_EQ(host.OpenEnumerations, 0);
  EXPECT_EQ(host.LocksHeld, 0);
  EXPECT_EQ(SavedFile(), earlier);
  EXPECT_EQ(host.Settings.at("CRC32"), 777);
  // What was walked stays; nothing after the cancel point was added.
  EXPECT_EQ(Dump(), Lines({"C:\\ :", "C:\\L1\\ :", "C:\\L1\\L2\\ :", "C:\\L1\\L2\\L3\\ :",
                           "C:\\L1\\L2\\L3\\L4\\ :"}));

  // The lock and the host are fit for a later rescan.
  host.Terminate = false;
  host.OnProcessMessages = nullptr;
  ASSERT_TRUE(db.ScanDrives(path_));
  EXPECT_EQ(Dump().size(), 7u);
}

TEST_F(DriveScanTest, CancelAlreadyRequestedStopsAtTheFirstEntryAfterPumpingOnce) {
  host.DefineDrive('C', kDriveFixed);
  host.MakeFile("C:\\a.txt");
  host.Terminate = true;
  EXPECT_THROW(db.ScanDrives(path_), ETerminate);
  EXPECT_EQ(host.MessagesProcessed, 1);
  EXPECT_EQ(Dump(), Lines({"C:\\ :"}));
  EXPECT_TRUE(host.Progress.empty());
  EXPECT_FALSE(std::filesystem::exists(path_));
}

TEST_F(DriveScanTest, MessageHandlersDuringTheWalkSeeThePartialTreeUnderTheLock) {
  host.DefineDrive('C', kDriveFixed);
  host.MakeFile("C:\\A\\a.txt");
  host.MakeFile("C:\\B\\b.txt");
  std::vector<size_t> nodesSeen;
  host.OnProcessMessages = [&] {
    // A search started from the message loop takes the lock again.
    TLockGuard again(*db.Lock);
    nodesSeen.push_back(DumpTree(*db.DirList).size());
  };
  ASSERT_TRUE(db.ScanDrives(path_));
  EXPECT_EQ(nodesSeen.front(), 1u);
  EXPECT_EQ(nodesSeen.back(), 3u);
}

}  // namespace
