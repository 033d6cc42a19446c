// The drive filter of the name search and of every change operation,
// through the Win32 host on drives of every type: a path on a floppy,
// CD-ROM, network or RAM drive, or on a letter that is no drive at all,
// changes nothing and leaves the result rows as they were, although the
// files on that drive are in the state that would make each change apply.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "database_pictures.h"
#include "host_folder.h"
#include "memory_db.h"
#include "test_drive.h"
#include "win32_database_host.h"

namespace {

struct TFilteredDrive {
  const char* Name;
  UINT Type;  // DRIVE_NO_ROOT_DIR: a letter left undefined
};
void PrintTo(const TFilteredDrive& drive, std::ostream* out) { *out << drive.Name; }

// Each change applied to a drive whose tree holds DATA with A.TXT, OLD.TMP
// and KEEP.TXT, and the directories OLDDIR and GONE below DATA; on disk A.TXT
// was renamed to NEW.TXT, OLD.TMP deleted, OLDDIR renamed to NEWDIR.
struct TChange {
  const char* Name;
  std::function<void(TMemoryDB&, const std::string& root)> Apply;
};

const TChange kChanges[] = {
    {"AddFile", [](TMemoryDB& db, const std::string& root) { db.AddFile(root + "DATA\\ADDED.TXT"); }},
    {"AddDirectory", [](TMemoryDB& db, const std::string& root) { db.AddDirectory(root + "DATA\\NEWSUB"); }},
    {"DeleteFiles", [](TMemoryDB& db, const std::string& root) { db.DeleteFiles(root + "DATA\\KEEP.TXT"); }},
    {"DeleteFiles wildcard", [](TMemoryDB& db, const std::string& root) { db.DeleteFiles(root + "data\\*.tmp"); }},
    {"DeleteDirectory", [](TMemoryDB& db, const std::string& root) { db.DeleteDirectory(root + "DATA\\GONE"); }},
    {"RenamePath file",
     [](TMemoryDB& db, const std::string& root) { db.RenamePath(root + "DATA\\A.TXT", root + "DATA\\NEW.TXT"); }},
    {"RenamePath directory",
     [](TMemoryDB& db, const std::string& root) { db.RenamePath(root + "DATA\\OLDDIR", root + "DATA\\NEWDIR"); }},
};

class DriveFilterTest : public ::testing::TestWithParam<TFilteredDrive> {
 protected:
  void SetUp() override {
    fixed_ = std::make_unique<TTestDrive>(DRIVE_FIXED, fixedFolder_.HostPath());
    if (GetParam().Type == DRIVE_NO_ROOT_DIR) {
      filteredLetter_ = FreeDriveLetter();
    } else {
      filtered_ = std::make_unique<TTestDrive>(GetParam().Type, filteredFolder_.HostPath());
      filteredLetter_ = filtered_->Letter();
    }
    for (const THostFolder* folder : {&fixedFolder_, &filteredFolder_}) {
      folder->MakeFile("DATA/NEW.TXT");
      folder->MakeFile("DATA/KEEP.TXT");
      folder->MakeFile("DATA/ADDED.TXT");
      folder->MakeDirectory("DATA/NEWDIR");
      folder->MakeDirectory("DATA/NEWSUB");
    }
    for (const std::string& drive : {fixed_->Name(), FilteredName()}) {
      PlantFiles(db_, drive + "\\DATA", {"A.TXT", "OLD.TMP", "KEEP.TXT"});
      PlantFiles(db_, drive + "\\DATA\\OLDDIR", {"IN.TXT"});
      PlantFiles(db_, drive + "\\DATA\\GONE", {"LOST.TXT"});
    }
    db_.Search("*");
    ASSERT_EQ(db_.ResultCount(), 10);
  }

  std::string FilteredName() const { return std::string(1, filteredLetter_) + ":"; }
  std::string FilteredRoot() const { return FilteredName() + "\\"; }

  THostFolder fixedFolder_;
  THostFolder filteredFolder_;
  std::unique_ptr<TTestDrive> fixed_;
  std::unique_ptr<TTestDrive> filtered_;
  char filteredLetter_ = 0;
  TMemoryDB db_{Win32DatabaseHost()};
};

TEST_P(DriveFilterTest, EveryChangeOnTheDriveIsIgnored) {
  const std::vector<std::string> tree = TreeLines(db_);
  const std::vector<std::string> rows = RowLines(db_);
  for (const TChange& change : kChanges) {
    change.Apply(db_, FilteredRoot());
    EXPECT_EQ(TreeLines(db_), tree) << change.Name;
    EXPECT_EQ(RowLines(db_), rows) << change.Name;
  }

  // The same changes on the fixed drive, whose disk is in the same state,
  // all take effect.
  for (const TChange& change : kChanges) change.Apply(db_, fixed_->Root());
  const std::string f = fixed_->Root();
  const std::string o = FilteredRoot();
  EXPECT_EQ(TreeLines(db_), (std::vector<std::string>{
                                fixed_->Root() + " :",
                                f + "DATA\\ : NEW.TXT ADDED.TXT",
                                f + "DATA\\NEWDIR\\ : IN.TXT",
                                FilteredRoot() + " :",
                                o + "DATA\\ : KEEP.TXT OLD.TMP A.TXT",
                                o + "DATA\\OLDDIR\\ : IN.TXT",
                                o + "DATA\\GONE\\ : LOST.TXT",
                                f + "DATA\\NEWSUB\\ :",
                            }));
}

TEST_P(DriveFilterTest, ARenameBetweenTheDriveAndAFixedDriveIsIgnored) {
  // The new name exists on the fixed drive in both directions.
  const std::vector<std::string> tree = TreeLines(db_);
  const std::vector<std::string> rows = RowLines(db_);
  db_.RenamePath(fixed_->Root("DATA\\A.TXT"), FilteredRoot() + "DATA\\NEW.TXT");
  db_.RenamePath(FilteredRoot() + "DATA\\A.TXT", fixed_->Root("DATA\\NEW.TXT"));
  db_.RenamePath(FilteredRoot() + "DATA\\OLDDIR", fixed_->Root("DATA\\NEWDIR"));
  EXPECT_EQ(TreeLines(db_), tree);
  EXPECT_EQ(RowLines(db_), rows);

  db_.RenamePath(fixed_->Root("DATA\\A.TXT"), fixed_->Root("DATA\\NEW.TXT"));
  EXPECT_NE(TreeLines(db_), tree);
}

TEST_P(DriveFilterTest, ASearchOnTheDriveLeavesThePreviousRows) {
  db_.Search(fixed_->Root("DATA\\*.TXT"));
  const std::vector<std::string> rows = RowLines(db_);
  ASSERT_EQ(rows.size(), 4u);

  for (const std::string& pattern : {FilteredRoot() + "*", FilteredRoot() + "DATA\\*.TXT",
                                     FilteredRoot(), std::string(1, filteredLetter_ | 0x20) + ":\\*"}) {
    db_.Search(pattern);
    EXPECT_EQ(RowLines(db_), rows) << pattern;
  }

  // A pattern without "\" passes the filter and finds the drive's files too.
  db_.Search("A.TXT");
  EXPECT_EQ(RowLines(db_), (std::vector<std::string>{fixed_->Root("DATA\\A.TXT | ") + fixed_->Root("DATA\\"),
                                                     FilteredRoot() + "DATA\\A.TXT | " + FilteredRoot() + "DATA\\"}));
}

INSTANTIATE_TEST_SUITE_P(EveryOtherDriveType, DriveFilterTest,
                         ::testing::Values(TFilteredDrive{"Removable", DRIVE_REMOVABLE},
                                           TFilteredDrive{"CdRom", DRIVE_CDROM},
                                           TFilteredDrive{"Network", DRIVE_REMOTE},
                                           TFilteredDrive{"RamDisk", DRIVE_RAMDISK},
                                           TFilteredDrive{"NoDrive", DRIVE_NO_ROOT_DIR}),
                         [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
