// The two places where the change operations ask the disk - the file-exists
// test of a wildcard delete and the attribute query of a rename - and the
// upper-casing of names, all through the Win32 host on a real fixed drive
// whose host folder the test changes as the monitor would report it.
#include <gtest/gtest.h>

#include <memory>

#include "database_pictures.h"
#include "host_folder.h"
#include "memory_db.h"
#include "test_drive.h"
#include "win32_database_host.h"

namespace {

const std::string kDeleted = "File Deleted";

class DiskChecksTest : public ::testing::Test {
 protected:
  void SetUp() override {
    drive_ = std::make_unique<TTestDrive>(DRIVE_FIXED, folder_.HostPath());
    folder_.MakeDirectory("data");
    db_.AddDirectory(drive_->Name());
    db_.AddDirectory(drive_->Root("data"));
  }

  // The file on disk (in lower case, as a host would spell it) and in the
  // tree, as the monitor reports a new file.
  void MakeFile(const std::string& name) {
    folder_.MakeFile("data/" + name);
    db_.AddFile(drive_->Root("DATA\\") + name);
  }
  std::string Data(const std::string& name = "") const { return drive_->Root("DATA\\") + name; }
  std::string DataLine(const std::string& files) const {
    return Data() + " :" + (files.empty() ? "" : " " + files);
  }

  THostFolder folder_;
  std::unique_ptr<TTestDrive> drive_;
  TMemoryDB db_{Win32DatabaseHost()};
};

TEST_F(DiskChecksTest, AWildcardDeleteRemovesOnlyTheEntriesWhoseFilesAreGone) {
  for (const char* name : {"a.tmp", "b.tmp", "c.tmp", "keep.txt", "caf\xe9.tmp", "\xe9t\xe9.tmp", "e.tmp"}) {
    MakeFile(name);
  }
  db_.AddFile(Data("NEVER.TMP"));  // in the tree, never on disk
  db_.Search(Data("*"));
  ASSERT_EQ(db_.ResultCount(), 8);

  folder_.Remove("data/b.tmp");
  folder_.Remove("data/c.tmp");
  folder_.Remove("data/\xe9t\xe9.tmp");
  // A directory now stands where the file E.TMP was: no file of that path
  // exists any more.
  folder_.Remove("data/e.tmp");
  folder_.MakeDirectory("data/e.tmp");

  db_.DeleteFiles(drive_->Root("data\\*.tmp"));
  EXPECT_EQ(SortedTreeLines(db_, Data()), (std::vector<std::string>{DataLine("A.TMP CAF\xc9.TMP KEEP.TXT")}));
  ASSERT_EQ(db_.ResultCount(), 8);
  int live = 0;
  for (int row = 0; row < db_.ResultCount(); ++row) {
    const std::string name = db_.ResultFileName(row);
    if (name == kDeleted) continue;
    ++live;
    EXPECT_TRUE(name == "A.TMP" || name == "CAF\xc9.TMP" || name == "KEEP.TXT") << name;
    EXPECT_EQ(db_.ResultFullPath(row), Data(name));
  }
  EXPECT_EQ(live, 3);

  // With "?" as well; A.TMP's file is still there.
  db_.DeleteFiles(Data("?.TMP"));
  EXPECT_EQ(SortedTreeLines(db_, Data()), (std::vector<std::string>{DataLine("A.TMP CAF\xc9.TMP KEEP.TXT")}));
  folder_.Remove("data/a.tmp");
  db_.DeleteFiles(Data("?.TMP"));
  EXPECT_EQ(SortedTreeLines(db_, Data()), (std::vector<std::string>{DataLine("CAF\xc9.TMP KEEP.TXT")}));
}

TEST_F(DiskChecksTest, ADeleteWithoutWildcardsDoesNotAskTheDisk) {
  MakeFile("still.txt");
  db_.DeleteFiles(Data("STILL.TXT"));
  EXPECT_EQ(SortedTreeLines(db_, Data()), (std::vector<std::string>{DataLine("")}));
}

TEST_F(DiskChecksTest, ARenameWhoseNewNameDoesNotExistIsIgnored) {
  MakeFile("old.txt");
  folder_.MakeDirectory("data/olddir");
  db_.AddDirectory(Data("OLDDIR"));
  db_.AddFile(Data("OLDDIR\\IN.TXT"));
  db_.Search(Data("*"));
  const std::vector<std::string> tree = TreeLines(db_);
  const std::vector<std::string> rows = RowLines(db_);

  // The names went again before the reports were applied.
  db_.RenamePath(Data("OLD.TXT"), Data("NEW.TXT"));
  db_.RenamePath(Data("OLDDIR"), Data("NEWDIR"));
  db_.RenamePath(Data("OLD.TXT"), drive_->Root("NOSUCH\\NEW.TXT"));
  EXPECT_EQ(TreeLines(db_), tree);
  EXPECT_EQ(RowLines(db_), rows);
}

TEST_F(DiskChecksTest, AFileRenameFollowsTheDiskAndKeepsItsRow) {
  MakeFile("report.txt");
  MakeFile("other.txt");
  folder_.MakeDirectory("data/sub");
  db_.AddDirectory(Data("SUB"));
  db_.Search(Data("*.TXT"));
  ASSERT_EQ(RowLines(db_), (std::vector<std::string>{Data("OTHER.TXT | ") + Data(), Data("REPORT.TXT | ") + Data()}));

  folder_.Rename("data/report.txt", "data/Final Report.txt");
  db_.RenamePath(Data("report.txt"), Data("Final Report.txt"));
  EXPECT_EQ(db_.ResultFullPath(1), Data("FINAL REPORT.TXT"));

  folder_.Rename("data/Final Report.txt", "data/sub/final.txt");
  db_.RenamePath(Data("FINAL REPORT.TXT"), Data("SUB\\FINAL.TXT"));
  EXPECT_EQ(RowLines(db_), (std::vector<std::string>{Data("OTHER.TXT | ") + Data(), Data("SUB\\FINAL.TXT | ") + Data("SUB\\")}));

  // Onto the other shown file: its row is cleared, the moved one re-pointed.
  folder_.Remove("data/other.txt");
  folder_.Rename("data/sub/final.txt", "data/other.txt");
  db_.RenamePath(Data("SUB\\FINAL.TXT"), Data("OTHER.TXT"));
  EXPECT_EQ(RowLines(db_), (std::vector<std::string>{kDeleted + " | ", Data("OTHER.TXT | ") + Data()}));
  EXPECT_EQ(SortedTreeLines(db_, Data()), (std::vector<std::string>{DataLine("OTHER.TXT"), Data("SUB\\") + " :"}));
}

// Whether a rename is a file's or a directory's is told by what the new
// name is on disk. The tree holds a file and a directory both named ITEM
// under DATA, so the kind that is renamed shows which way it was decided.
struct TRenameKind {
  const char* Name;
  const char* NewName;
  enum { kFile, kDirectory, kLinkToDirectory } OnDisk;
  bool DirectoryRenamed;
};
void PrintTo(const TRenameKind& value, std::ostream* out) { *out << value.Name; }

class RenameKindTest : public DiskChecksTest, public ::testing::WithParamInterface<TRenameKind> {};

TEST_P(RenameKindTest, TheRealAttributesOfTheNewNameDecide) {
  const TRenameKind& kind = GetParam();
  const std::string newName = kind.NewName;
  db_.AddFile(Data("ITEM"));
  db_.AddDirectory(Data("ITEM"));
  db_.AddFile(Data("ITEM\\INSIDE.TXT"));
  db_.Search(Data("*"));
  ASSERT_EQ(RowLines(db_), (std::vector<std::string>{Data("ITEM | ") + Data(), Data("ITEM\\INSIDE.TXT | ") + Data("ITEM\\")}));

  switch (kind.OnDisk) {
    case TRenameKind::kFile: folder_.MakeFile("data/" + newName); break;
    case TRenameKind::kDirectory: folder_.MakeDirectory("data/" + newName); break;
    case TRenameKind::kLinkToDirectory:
      folder_.MakeDirectory("target");
      folder_.Shell("ln -s " + ShellQuoted(folder_.HostPath("target")) + " " +
                    ShellQuoted(folder_.HostPath("data/" + newName)));
      ASSERT_EQ(GetFileAttributesA(Data(newName).c_str()), 0x410u);
      break;
  }
  db_.RenamePath(Data("item"), Data(newName));

  const std::string upper = [&] {
    std::string text = newName;
    CharUpperBuffA(&text[0], static_cast<DWORD>(text.size()));
    return text;
  }();
  if (kind.DirectoryRenamed) {
    EXPECT_EQ(SortedTreeLines(db_, Data()),
              (std::vector<std::string>{DataLine("ITEM"), Data(upper + "\\") + " : INSIDE.TXT"}));
    EXPECT_EQ(RowLines(db_), (std::vector<std::string>{Data("ITEM | ") + Data(),
                                                       Data(upper + "\\INSIDE.TXT | ") + Data(upper + "\\")}));
  } else {
    EXPECT_EQ(SortedTreeLines(db_, Data()),
              (std::vector<std::string>{DataLine(upper), Data("ITEM\\") + " : INSIDE.TXT"}));
    EXPECT_EQ(RowLines(db_), (std::vector<std::string>{Data(upper + " | ") + Data(),
                                                       Data("ITEM\\INSIDE.TXT | ") + Data("ITEM\\")}));
  }
}

INSTANTIATE_TEST_SUITE_P(
    NewNameOnDisk, RenameKindTest,
    ::testing::Values(TRenameKind{"File", "renamed.txt", TRenameKind::kFile, false},
                      TRenameKind{"Directory", "Renamed Dir", TRenameKind::kDirectory, true},
                      TRenameKind{"LinkToDirectory", "linked", TRenameKind::kLinkToDirectory, true}),
    [](const auto& info) { return std::string(info.param.Name); });

// Names are upper-cased with the Windows ANSI rule of the code page
// (Windows-1252 here), not with the C library's ASCII-only one.
struct TUpperCase {
  const char* Lower;
  const char* Upper;
};
void PrintTo(const TUpperCase& value, std::ostream* out) { *out << value.Lower; }

class UpperCaseTest : public DiskChecksTest, public ::testing::WithParamInterface<TUpperCase> {};

TEST_P(UpperCaseTest, NamesAreStoredAndFoundInTheCodePagesUpperCase) {
  ASSERT_EQ(GetACP(), 1252u);
  const std::string lower = std::string("n") + GetParam().Lower + ".txt";
  const std::string upper = std::string("N") + GetParam().Upper + ".TXT";
  const std::string directoryLower = std::string("d") + GetParam().Lower;
  const std::string directoryUpper = std::string("D") + GetParam().Upper;

  db_.AddFile(Data(lower));
  db_.AddDirectory(Data(directoryLower));
  db_.AddFile(Data(directoryUpper + "\\" + lower));
  EXPECT_EQ(SortedTreeLines(db_, Data()),
            (std::vector<std::string>{DataLine(upper), Data(directoryUpper + "\\") + " : " + upper}));

  // Found by a pattern in either case; the directory part resolves too.
  for (const std::string& pattern : {lower, upper, Data(directoryLower + "\\*")}) {
    db_.Search(pattern);
    ASSERT_GE(db_.ResultCount(), 1) << pattern;
    EXPECT_EQ(db_.ResultFileName(0), upper) << pattern;
  }
  // A second report of the same file in the other case adds nothing.
  db_.AddFile(Data(upper));
  EXPECT_EQ(SortedTreeLines(db_, Data()).front(), DataLine(upper));
}

INSTANTIATE_TEST_SUITE_P(Windows1252, UpperCaseTest,
                         ::testing::Values(TUpperCase{"caf\xe9", "CAF\xc9"},     // e acute
                                           TUpperCase{"\xe0\xe7\xf1", "\xc0\xc7\xd1"},
                                           TUpperCase{"\xe6\xf8\xe5", "\xc6\xd8\xc5"},
                                           TUpperCase{"\xff", "\x9f"},           // y diaeresis
                                           TUpperCase{"\x9c", "\x8c"},           // oe ligature
                                           TUpperCase{"\x9a\x9e", "\x8a\x8e"},   // s and z caron
                                           TUpperCase{"\xdf", "\xdf"},           // sharp s stays
                                           TUpperCase{"\xb5", "\xb5"}));         // micro sign stays

}  // namespace
