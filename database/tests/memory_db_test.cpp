// TMemoryDB's internal operations: the drive test, path resolution, paths
// of nodes and the clearing of result rows.
#include <gtest/gtest.h>

#include "tree_fixture.h"

namespace {

class MemoryDB : public TreeFixture {
 protected:
  MemoryDB() {
    Build({"C:\\WINDOWS\\WIN.INI", "C:\\WINDOWS\\SYSTEM\\", "C:\\AUTOEXEC.BAT", "E:\\DATA\\"});
  }
};

}  // namespace

TEST_F(MemoryDB, ResolvePathCases) {
  struct TCase {
    const char* Path;
    const char* Node;  // directory path of the node, nullptr for nil
    const char* Name;
  };
  const TCase cases[] = {
      {"c:\\windows\\win.ini", "C:\\WINDOWS\\", "WIN.INI"},
      {"C:\\WINDOWS\\", "C:\\WINDOWS\\", ""},
      {"C:\\", "C:\\", ""},
      {"C:\\WINDOWS\\SYSTEM\\X.DLL", "C:\\WINDOWS\\SYSTEM\\", "X.DLL"},
      {"WIN.INI", nullptr, "WIN.INI"},
      {"win.ini", nullptr, "WIN.INI"},
      {"C:", nullptr, "C:"},
      {"C:\\NOSUCH\\X.TXT", nullptr, "X.TXT"},
      {"C:\\\\WINDOWS\\X", nullptr, "X"},  // the empty component matches nothing
      {"C:\\WINDOWS\\\\X", nullptr, "X"},
      {"D:\\WINDOWS\\X", nullptr, "X"},
      {"E:\\DATA\\Sub", "E:\\DATA\\", "SUB"},
      {"\\WINDOWS\\X", nullptr, "X"},
  };
  for (const TCase& c : cases) {
    std::string name = "unchanged";
    TDirectoryRecord* node = reinterpret_cast<TDirectoryRecord*>(1);
    db.ResolvePath(c.Path, name, node);
    EXPECT_EQ(name, c.Name) << c.Path;
    if (c.Node) {
      EXPECT_EQ(node, Node(c.Node)) << c.Path;
      EXPECT_NE(node, nullptr) << c.Path;
    } else {
      EXPECT_EQ(node, nullptr) << c.Path;
    }
  }
}

TEST_F(MemoryDB, ResolvePathUpperCasesWithTheAnsiRule) {
  db.DirList->AddNode("\xC9T\xC9", Node("C:\\"));  // ÉTÉ
  std::string name;
  TDirectoryRecord* node = nullptr;
  db.ResolvePath("c:\\\xE9t\xE9\\caf\xE9.txt", name, node);  // été\café.txt
  EXPECT_EQ(name, "CAF\xC9.TXT");
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(node->Name, "\xC9T\xC9");
}

TEST_F(MemoryDB, IsFixedDrivePathAsksOnlyForTheDriveRoot) {
  EXPECT_TRUE(db.IsFixedDrivePath("WIN.INI"));
  EXPECT_EQ(host.DriveTypeQueries, 0);  // no "\": no query at all
  EXPECT_TRUE(db.IsFixedDrivePath("C:\\WINDOWS\\WIN.INI"));
  EXPECT_TRUE(db.IsFixedDrivePath("e:\\x"));
  EXPECT_FALSE(db.IsFixedDrivePath("A:\\README.TXT"));   // floppy
  EXPECT_FALSE(db.IsFixedDrivePath("D:\\SETUP.EXE"));    // CD-ROM
  EXPECT_FALSE(db.IsFixedDrivePath("N:\\SHARE\\X"));     // network
  EXPECT_FALSE(db.IsFixedDrivePath("Q:\\X"));            // no such drive
  EXPECT_FALSE(db.IsFixedDrivePath("WINDOWS\\WIN.INI"));  // no drive root
  EXPECT_EQ(host.DriveTypeQueries, 7);
}

TEST_F(MemoryDB, DirectoryPathCases) {
  EXPECT_EQ(db.DirectoryPath(Node("C:\\")), "C:\\");
  EXPECT_EQ(db.DirectoryPath(Node("C:\\WINDOWS\\SYSTEM\\")), "C:\\WINDOWS\\SYSTEM\\");
  EXPECT_EQ(db.DirectoryPath(nullptr), "");
  // A directory attached at the top reads from that node down.
  TDirectoryRecord* orphan = db.DirList->AddNode("ORPHAN", nullptr);
  EXPECT_EQ(db.DirectoryPath(db.DirList->AddNode("IN", orphan)), "ORPHAN\\IN\\");
}

TEST_F(MemoryDB, FindNodeMatchesNameAndParent) {
  EXPECT_EQ(db.FindNode("WINDOWS", Node("C:\\")), Node("C:\\WINDOWS\\"));
  EXPECT_EQ(db.FindNode("WINDOWS", nullptr), nullptr);
  EXPECT_EQ(db.FindNode("C:", nullptr), Node("C:\\"));
  EXPECT_EQ(db.FindNode("SYSTEM", Node("C:\\")), nullptr);
}

TEST_F(MemoryDB, ClearResultsForDirClearsEveryRowOfTheNode) {
  BuildTreeOnly({"C:\\WINDOWS\\A.INI", "C:\\WINDOWS\\B.INI"});
  db.Search("C:\\*.INI");
  ASSERT_EQ(db.ResultCount(), 3);
  db.Search("*");
  const int rows = db.ResultCount();
  {
    TLockGuard guard(*db.Lock);
    db.ClearResultsForDir(Node("C:\\WINDOWS\\"));
  }
  EXPECT_EQ(db.ResultCount(), rows);
  int cleared = 0;
  for (int row = 0; row < rows; ++row) {
    if (!db.ResultFiles[row]) {
      ++cleared;
      EXPECT_EQ(db.ResultDirs[row], nullptr);
      EXPECT_EQ(db.ResultFullPath(row), "File Deleted");
    } else {
      EXPECT_NE(db.ResultDirs[row], Node("C:\\WINDOWS\\"));
    }
  }
  EXPECT_EQ(cleared, 3);
}

TEST_F(MemoryDB, ClearResultsForEntryClearsItsOneRow) {
  db.Search("*");
  const int rows = db.ResultCount();
  TFileRecord* winIni = Entry("C:\\WINDOWS\\WIN.INI");
  {
    TLockGuard guard(*db.Lock);
    db.ClearResultsForEntry(winIni);
    db.ClearResultsForEntry(winIni);  // nothing left to clear
    db.ClearResultsForEntry(nullptr);
  }
  EXPECT_EQ(db.ResultCount(), rows);
  int cleared = 0;
  for (int row = 0; row < rows; ++row) cleared += db.ResultFiles[row] == nullptr;
  EXPECT_EQ(cleared, 1);
  EXPECT_EQ(Rows(), (std::vector<std::string>{"C:\\AUTOEXEC.BAT", "File Deleted"}));
}

TEST_F(MemoryDB, ClearingWithoutRowsDoesNothing) {
  TLockGuard guard(*db.Lock);
  db.ClearResultsForEntry(Entry("C:\\WINDOWS\\WIN.INI"));
  db.ClearResultsForDir(Node("C:\\WINDOWS\\"));
  EXPECT_EQ(db.ResultCount(), 0);
}
