#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tree_fixture.h"

namespace {

using TLines = std::vector<std::string>;

class ChangeOperations : public TreeFixture {
 protected:
  ChangeOperations() {
    Build({
        "C:\\AUTOEXEC.BAT",
        "C:\\WINDOWS\\WIN.INI",
        "C:\\WINDOWS\\SYSTEM.INI",
        "C:\\WINDOWS\\SYSTEM\\VGA.DRV",
        "C:\\WINDOWS\\SYSTEM\\COLOR\\X.INI",
        "C:\\TEMP\\A.TMP",
        "C:\\TEMP\\B.TMP",
        "C:\\TEMP\\C.B.TMP",
        "C:\\TEMP\\KEEP.TXT",
        "C:\\DOCS\\",
    });
  }

  void TearDown() override {
    EXPECT_EQ(Inconsistency(), "");
    EXPECT_EQ(host.LockDepth, 0);
  }

  // Renames on the fake disk first, as the monitor reports after the fact.
  void RenameOnDisk(const std::string& from, const std::string& to, bool directory = false) {
    host.Remove(from);
    if (directory) host.MakeDirectory(to);
    else host.MakeFile(to);
  }
};

}  // namespace

TEST_F(ChangeOperations, AddFileIsIdempotent) {
  host.MakeFile("C:\\DOCS\\New.txt");
  db.AddFile("C:\\DOCS\\New.txt");
  db.AddFile("c:\\docs\\NEW.TXT");
  EXPECT_EQ(FilesOf("C:\\DOCS\\"), (TLines{"NEW.TXT"}));
  db.AddFile("C:\\DOCS\\SECOND.TXT");
  EXPECT_EQ(FilesOf("C:\\DOCS\\"), (TLines{"SECOND.TXT", "NEW.TXT"}));
}

TEST_F(ChangeOperations, AddFileNeedsEveryLevelInTheTree) {
  const TLines before = Snapshot();
  db.AddFile("C:\\NOSUCH\\X.TXT");
  db.AddFile("C:\\WINDOWS\\NOSUCH\\X.TXT");
  db.AddFile("X.TXT");  // no directory part at all
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(ChangeOperations, AddFileTakesNamesTheScanLeavesOut) {
  db.AddFile("C:\\DOCS\\.profile");
  EXPECT_EQ(FilesOf("C:\\DOCS\\"), (TLines{".PROFILE"}));
}

TEST_F(ChangeOperations, NamesThatCannotExistAreIgnored) {
  const TLines before = Snapshot();
  const std::string tooLong(256, 'L');
  db.AddFile("C:\\DOCS\\");  // empty name part
  db.AddFile("C:\\DOCS\\" + tooLong);
  db.AddDirectory("C:\\DOCS\\");
  db.AddDirectory("C:\\DOCS\\" + tooLong);
  db.DeleteFiles("C:\\TEMP\\" + std::string(300, '*'));
  EXPECT_EQ(Snapshot(), before);

  const std::string longest(255, 'L');
  db.AddFile("C:\\DOCS\\" + longest);
  EXPECT_EQ(FilesOf("C:\\DOCS\\"), (TLines{longest}));
}

TEST_F(ChangeOperations, DeletingAShownFileClearsItsRowInPlace) {
  db.Search("C:\\WINDOWS\\*.INI");
  ASSERT_EQ(Rows(), (TLines{"C:\\WINDOWS\\SYSTEM.INI", "C:\\WINDOWS\\WIN.INI",
                            "C:\\WINDOWS\\SYSTEM\\COLOR\\X.INI"}));
  host.Remove("C:\\WINDOWS\\WIN.INI");
  db.DeleteFiles("c:\\windows\\win.ini");
  EXPECT_EQ(Rows(), (TLines{"C:\\WINDOWS\\SYSTEM.INI", "File Deleted",
                            "C:\\WINDOWS\\SYSTEM\\COLOR\\X.INI"}));
  EXPECT_EQ(FilesOf("C:\\WINDOWS\\"), (TLines{"SYSTEM.INI"}));
}

TEST_F(ChangeOperations, DeleteWithoutWildcardTakesOnlyThatName) {
  // Without a wildcard the disk is not asked: the report is believed.
  db.DeleteFiles("C:\\TEMP\\A.TMP");
  db.DeleteFiles("C:\\TEMP\\NOSUCH.TMP");
  db.DeleteFiles("C:\\TEMP\\");
  EXPECT_EQ(FilesOf("C:\\TEMP\\"), (TLines{"KEEP.TXT", "C.B.TMP", "B.TMP"}));
}

TEST_F(ChangeOperations, WildcardDeleteRemovesOnlyFilesThatAreGone) {
  db.Search("*.TMP");
  ASSERT_EQ(db.ResultCount(), 3);
  host.Remove("C:\\TEMP\\A.TMP");
  host.Remove("C:\\TEMP\\C.B.TMP");
  host.Remove("C:\\TEMP\\KEEP.TXT");  // gone, but does not match
  db.DeleteFiles("C:\\TEMP\\*.tmp");
  EXPECT_EQ(FilesOf("C:\\TEMP\\"), (TLines{"KEEP.TXT", "B.TMP"}));
  EXPECT_EQ(Rows(), (TLines{"File Deleted", "C:\\TEMP\\B.TMP", "File Deleted"}));
  EXPECT_EQ(host.LockDepth, 0);
}

TEST_F(ChangeOperations, WildcardDeleteTreatsADirectoryOfThatNameAsNoFile) {
  host.Remove("C:\\TEMP\\A.TMP");
  host.MakeDirectory("C:\\TEMP\\A.TMP");
  db.DeleteFiles("C:\\TEMP\\A.*");
  EXPECT_EQ(FilesOf("C:\\TEMP\\"), (TLines{"KEEP.TXT", "C.B.TMP", "B.TMP"}));
}

TEST_F(ChangeOperations, RenamingAShownFileKeepsItsRow) {
  db.Search("*.INI");
  ASSERT_EQ(Rows(), (TLines{"C:\\WINDOWS\\SYSTEM.INI", "C:\\WINDOWS\\WIN.INI",
                            "C:\\WINDOWS\\SYSTEM\\COLOR\\X.INI"}));
  RenameOnDisk("C:\\WINDOWS\\WIN.INI", "C:\\WINDOWS\\WIN.OLD");
  db.RenamePath("C:\\WINDOWS\\WIN.INI", "C:\\WINDOWS\\win.old");
  EXPECT_EQ(db.ResultCount(), 3);
  EXPECT_EQ(db.ResultFullPath(1), "C:\\WINDOWS\\WIN.OLD");
  EXPECT_EQ(db.ResultFileName(1), "WIN.OLD");

  // Moved to another directory the tree holds.
  RenameOnDisk("C:\\WINDOWS\\WIN.OLD", "C:\\DOCS\\WIN.OLD");
  db.RenamePath("C:\\WINDOWS\\WIN.OLD", "C:\\DOCS\\WIN.OLD");
  EXPECT_EQ(db.ResultFullPath(1), "C:\\DOCS\\WIN.OLD");
  EXPECT_EQ(db.ResultDirectory(1), "C:\\DOCS\\");
  EXPECT_EQ(FilesOf("C:\\WINDOWS\\"), (TLines{"SYSTEM.INI"}));
  EXPECT_EQ(FilesOf("C:\\DOCS\\"), (TLines{"WIN.OLD"}));
  EXPECT_EQ(host.AttributeQueriesUnderLock, 0);
}

TEST_F(ChangeOperations, RenamingAFileInLetterCaseOnly) {
  db.Search("WIN.INI");
  RenameOnDisk("C:\\WINDOWS\\WIN.INI", "C:\\WINDOWS\\win.ini");
  db.RenamePath("C:\\WINDOWS\\WIN.INI", "C:\\WINDOWS\\win.ini");
  EXPECT_EQ(Rows(), (TLines{"C:\\WINDOWS\\WIN.INI"}));
  EXPECT_EQ(FilesOf("C:\\WINDOWS\\"), (TLines{"WIN.INI", "SYSTEM.INI"}));
}

TEST_F(ChangeOperations, RenamingOntoAnotherShownFile) {
  db.Search("*.TMP");
  ASSERT_EQ(Rows(), (TLines{"C:\\TEMP\\C.B.TMP", "C:\\TEMP\\B.TMP", "C:\\TEMP\\A.TMP"}));
  RenameOnDisk("C:\\TEMP\\A.TMP", "C:\\TEMP\\B.TMP");
  db.RenamePath("C:\\TEMP\\A.TMP", "C:\\TEMP\\B.TMP");
  EXPECT_EQ(Rows(), (TLines{"C:\\TEMP\\C.B.TMP", "File Deleted", "C:\\TEMP\\B.TMP"}));
  EXPECT_EQ(FilesOf("C:\\TEMP\\"), (TLines{"B.TMP", "KEEP.TXT", "C.B.TMP"}));
}

TEST_F(ChangeOperations, MovingAShownFileOutOfTheTreeClearsItsRow) {
  db.Search("KEEP.TXT");
  host.MakeDirectory("C:\\ELSEWHERE");
  RenameOnDisk("C:\\TEMP\\KEEP.TXT", "C:\\ELSEWHERE\\KEEP.TXT");
  db.RenamePath("C:\\TEMP\\KEEP.TXT", "C:\\ELSEWHERE\\KEEP.TXT");
  EXPECT_EQ(Rows(), (TLines{"File Deleted"}));
  EXPECT_EQ(FilesOf("C:\\TEMP\\"), (TLines{"C.B.TMP", "B.TMP", "A.TMP"}));
}

TEST_F(ChangeOperations, RenamesThatCannotBeAppliedLeaveTheTree) {
  const TLines before = Snapshot();
  // The new name has vanished again by the time the report is applied.
  db.RenamePath("C:\\TEMP\\A.TMP", "C:\\TEMP\\GONE.TMP");
  // A file the tree never held is not added under its new name.
  host.MakeFile("C:\\TEMP\\NEW.TMP");
  db.RenamePath("C:\\TEMP\\UNKNOWN.TMP", "C:\\TEMP\\NEW.TMP");
  db.RenamePath("C:\\NOSUCH\\A.TMP", "C:\\TEMP\\NEW.TMP");
  // Either side on a drive that is no fixed disk.
  host.MakeFile("A:\\A.TMP");
  db.RenamePath("C:\\TEMP\\A.TMP", "A:\\A.TMP");
  db.RenamePath("A:\\X.TMP", "C:\\TEMP\\NEW.TMP");
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(ChangeOperations, RenamingADirectoryRenamesEveryRowBelowIt) {
  db.Search("C:\\WINDOWS\\*");
  const int rows = db.ResultCount();
  ASSERT_EQ(rows, 4);
  RenameOnDisk("C:\\WINDOWS", "C:\\WIN95", true);
  db.RenamePath("C:\\WINDOWS", "C:\\WIN95");
  EXPECT_EQ(Rows(), (TLines{"C:\\WIN95\\SYSTEM.INI", "C:\\WIN95\\WIN.INI",
                            "C:\\WIN95\\SYSTEM\\VGA.DRV", "C:\\WIN95\\SYSTEM\\COLOR\\X.INI"}));
  EXPECT_EQ(Node("C:\\WINDOWS\\"), nullptr);
  ASSERT_NE(Node("C:\\WIN95\\SYSTEM\\COLOR\\"), nullptr);

  // Moved below another directory: the subtree goes along.
  RenameOnDisk("C:\\WIN95", "C:\\DOCS\\OLDWIN", true);
  db.RenamePath("C:\\WIN95", "C:\\DOCS\\OLDWIN");
  EXPECT_EQ(db.ResultFullPath(3), "C:\\DOCS\\OLDWIN\\SYSTEM\\COLOR\\X.INI");
}

TEST_F(ChangeOperations, RenamingADirectoryInLetterCaseOnly) {
  const TLines before = Snapshot();
  TDirectoryRecord* windows = Node("C:\\WINDOWS\\");
  RenameOnDisk("C:\\WINDOWS", "C:\\Windows", true);
  db.RenamePath("C:\\WINDOWS", "C:\\Windows");
  EXPECT_EQ(Snapshot(), before);
  EXPECT_EQ(Node("C:\\WINDOWS\\"), windows);
}

TEST_F(ChangeOperations, RenamingADirectoryOntoOneTheTreeHolds) {
  // The old DOCS and all below it are replaced by what was TEMP.
  BuildTreeOnly({"C:\\DOCS\\OLD.DOC", "C:\\DOCS\\SUB\\DEEP.DOC"});
  db.Search("*.DOC");
  ASSERT_EQ(db.ResultCount(), 2);
  db.Search("C:\\*");
  const int rows = db.ResultCount();
  host.Remove("C:\\DOCS");
  RenameOnDisk("C:\\TEMP", "C:\\DOCS", true);
  db.RenamePath("C:\\TEMP", "C:\\DOCS");
  EXPECT_EQ(db.ResultCount(), rows);
  EXPECT_EQ(FilesOf("C:\\DOCS\\"), (TLines{"KEEP.TXT", "C.B.TMP", "B.TMP", "A.TMP"}));
  EXPECT_EQ(Node("C:\\DOCS\\SUB\\"), nullptr);
  EXPECT_EQ(Node("C:\\TEMP\\"), nullptr);
  int deleted = 0;
  for (const std::string& row : Rows()) deleted += row == "File Deleted";
  EXPECT_EQ(deleted, 2);
  EXPECT_EQ(Directories(), (TLines{"C:\\", "C:\\WINDOWS\\", "C:\\WINDOWS\\SYSTEM\\",
                                   "C:\\WINDOWS\\SYSTEM\\COLOR\\", "C:\\DOCS\\"}));
}

TEST_F(ChangeOperations, RenamingADirectoryOntoItsOwnParent) {
  // C:\WINDOWS\SYSTEM becomes C:\WINDOWS (the old one having gone): the
  // source lives inside the destination and must survive its removal.
  db.Search("*.INI");
  host.Remove("C:\\WINDOWS");
  host.MakeDirectory("C:\\WINDOWS\\COLOR");
  db.RenamePath("C:\\WINDOWS\\SYSTEM", "C:\\WINDOWS");
  EXPECT_EQ(Directories(), (TLines{"C:\\", "C:\\WINDOWS\\", "C:\\WINDOWS\\COLOR\\", "C:\\TEMP\\",
                                   "C:\\DOCS\\"}));
  EXPECT_EQ(FilesOf("C:\\WINDOWS\\"), (TLines{"VGA.DRV"}));
  EXPECT_EQ(Rows(), (TLines{"File Deleted", "File Deleted", "C:\\WINDOWS\\COLOR\\X.INI"}));
}

TEST_F(ChangeOperations, RenamingADirectoryIntoItsOwnSubtreeIsDropped) {
  const TLines before = Snapshot();
  host.MakeDirectory("C:\\WINDOWS\\SYSTEM\\MOVED");
  db.RenamePath("C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM\\MOVED");
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(ChangeOperations, RenamingADirectoryOutOfTheTreeMakesItTopLevel) {
  host.MakeDirectory("C:\\ELSEWHERE\\TEMP2");
  db.RenamePath("C:\\TEMP", "C:\\ELSEWHERE\\TEMP2");
  TDirectoryRecord* moved = db.FindNode("TEMP2", nullptr);
  ASSERT_NE(moved, nullptr);
  EXPECT_EQ(db.DirectoryPath(moved), "TEMP2\\");
  db.Search("KEEP.TXT");
  EXPECT_EQ(Rows(), (TLines{"TEMP2\\KEEP.TXT"}));
}

TEST_F(ChangeOperations, DeletingADirectoryRemovesItsWholeSubtree) {
  db.Search("*");
  const int rows = db.ResultCount();
  db.DeleteDirectory("c:\\windows");
  EXPECT_EQ(db.ResultCount(), rows);
  EXPECT_EQ(Directories(), (TLines{"C:\\", "C:\\TEMP\\", "C:\\DOCS\\"}));
  int deleted = 0;
  for (const std::string& row : Rows()) deleted += row == "File Deleted";
  EXPECT_EQ(deleted, 4);
  for (int row = 0; row < rows; ++row) {
    if (db.ResultFullPath(row) == "File Deleted") {
      EXPECT_EQ(db.ResultDirectory(row), "");
    }
  }
}

TEST_F(ChangeOperations, DeletingADirectoryNotInTheTree) {
  const TLines before = Snapshot();
  db.DeleteDirectory("C:\\NOSUCH");
  db.DeleteDirectory("C:\\NOSUCH\\TEMP");  // unknown parent: looked for at the top
  db.DeleteDirectory("C:\\");
  EXPECT_EQ(Snapshot(), before);

  db.AddDirectory("C:\\UNKNOWN\\ORPHAN");
  ASSERT_NE(db.FindNode("ORPHAN", nullptr), nullptr);
  db.DeleteDirectory("C:\\ANOTHER\\ORPHAN");
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(ChangeOperations, AddDirectoryCases) {
  db.AddDirectory("C:\\DOCS\\Letters");
  db.AddDirectory("C:\\DOCS\\LETTERS");
  EXPECT_NE(Node("C:\\DOCS\\LETTERS\\"), nullptr);
  EXPECT_EQ(Directories().back(), "C:\\DOCS\\LETTERS\\");
  EXPECT_EQ(Directories().size(), 7u);
  // Under a directory the tree does not hold: a new top-level node.
  db.AddDirectory("C:\\NOSUCH\\NEWDIR");
  EXPECT_EQ(Directories().back(), "NEWDIR\\");
  db.AddDirectory("C:\\OTHER\\NEWDIR");  // the same top-level name is there already
  EXPECT_EQ(Directories().size(), 8u);
}

TEST_F(ChangeOperations, OtherDrivesLeaveTheTreeAlone) {
  // Even a tree that holds nodes for those drives.
  BuildTreeOnly({"A:\\DISK\\OLD.TXT", "D:\\CD\\", "N:\\SHARE\\"});
  const TLines before = Snapshot();
  for (const char* drive : {"A:", "D:", "N:", "Q:"}) {
    const std::string root = std::string(drive) + "\\";
    db.AddFile(root + "DISK\\NEW.TXT");
    db.DeleteFiles(root + "DISK\\OLD.TXT");
    db.DeleteFiles(root + "DISK\\*.*");
    db.AddDirectory(root + "DISK\\NEWDIR");
    db.DeleteDirectory(root + "DISK");
    db.DeleteDirectory(root + "CD");
    db.RenamePath(root + "DISK", root + "DISK2");
  }
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(ChangeOperations, PathsThatDoNotStartWithADriveAreIgnored) {
  // The platform answers "fixed" for the current drive's root, whatever text
  // names it; none of these is a path on a drive.
  for (const char* root : {"\\", "..\\", ".\\", "WINDOWS\\"}) host.OtherRootTypes[root] = 3;
  host.MakeDirectory("C:\\NEWDIR");
  const TLines before = Snapshot();
  db.AddDirectory("\\NEWDIR");
  db.AddDirectory("..\\NEWDIR");
  db.AddDirectory("NEWDIR");
  db.AddFile("\\AUTOEXEC.NEW");
  db.DeleteDirectory("\\WINDOWS");
  db.DeleteFiles(".\\WINDOWS\\*.INI");
  db.RenamePath("WINDOWS\\WIN.INI", "C:\\NEWDIR");
  db.RenamePath("C:\\DOCS", "\\NEWDIR");
  db.AddDirectory("A:");  // a floppy drive named alone
  db.AddDirectory("C:");  // the drive the tree holds already
  EXPECT_EQ(Snapshot(), before);

  db.AddDirectory("c:\\NEWDIR");
  EXPECT_NE(db.FindNode("NEWDIR", db.FindNode("C:", nullptr)), nullptr);
  // A fixed drive named alone is its top-level node.
  db.AddDirectory("E:");
  EXPECT_EQ(db.DirectoryPath(db.FindNode("E:", nullptr)), "E:\\");
}
