// Names that differ only in case (twins): after every change the monitor
// reports, the database holds what a scan of the disk would record, one
// entry or node per spelling, and a row whose file still exists under a
// twin's spelling keeps showing it.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "temp_directory.h"
#include "tree_fixture.h"

namespace {

using TLines = std::vector<std::string>;

std::string Upper(std::string text) {
  UpperCaseAnsi(text);
  return text;
}

std::string Parent(const std::string& path) { return path.substr(0, path.rfind('\\')); }
std::string Last(const std::string& path) { return path.substr(path.rfind('\\') + 1); }

// What the monitor counts: the spellings in the reported folder, of the
// changed entry's kind, as the disk holds them when the change is applied.
class TDiskSpellings : public THostSpellingSource {
 public:
  TDiskSpellings(TFakeHost& host, std::string path, std::string newPath, bool directory)
      : host_(host), path_(std::move(path)), newPath_(std::move(newPath)), directory_(directory) {}
  uint32_t OfPath() override { return Count(path_); }
  uint32_t OfNewPath() override { return Count(newPath_); }
  int Asked = 0;

 private:
  uint32_t Count(const std::string& path) {
    ++Asked;
    TFakeHost::Node* folder = host_.Find(Parent(path));
    uint32_t count = 0;
    if (!folder) return count;
    for (const auto& child : folder->Children) {
      const bool directory = (child->Attributes & kAttributeDirectory) != 0;
      count += directory == directory_ && Upper(child->Name) == Upper(Last(path));
    }
    return count;
  }
  TFakeHost& host_;
  std::string path_, newPath_;
  bool directory_;
};

class TwinSpellings : public TreeFixture {
 protected:
  // The disk as the scan records it: every spelling, walked by its own name.
  TLines DiskPicture(const std::string& folder = "C:\\") {
    TLines lines{Upper(folder)};
    auto listing = host.FindFirst(folder + "*.*");
    TFoundEntry entry;
    while (listing && listing->Next(entry)) {
      if (entry.Name[0] == '.') continue;
      if (entry.Attributes & kAttributeDirectory) {
        for (const std::string& line : DiskPicture(folder + entry.Name + "\\")) lines.push_back(line);
      } else {
        lines.push_back(Upper(folder + entry.Name));
      }
    }
    if (folder == "C:\\") std::sort(lines.begin(), lines.end());
    return lines;
  }
  TLines TreePicture() {
    TLines lines;
    for (const std::string& line : Snapshot()) {
      if (line.rfind("C:\\", 0) == 0) lines.push_back(line);
    }
    std::sort(lines.begin(), lines.end());
    return lines;
  }

  // Changes the disk, then applies what the monitor reports for it.
  void File(const std::string& path) {
    host.MakeFile(path);
    TDiskSpellings spellings(host, path, "", false);
    db.AddFile(path, &spellings);
  }
  void Folder(const std::string& path) {
    host.MakeDirectory(path);
    TDiskSpellings spellings(host, path, "", true);
    db.AddDirectory(path, &spellings);
  }
  void Remove(const std::string& path) {
    const bool directory = host.Find(path)->Attributes & kAttributeDirectory;
    // The monitor reports a folder's contents first, as rm -r removes them.
    if (directory) {
      std::vector<std::string> names;
      for (const auto& child : host.Find(path)->Children) names.push_back(child->Name);
      for (const std::string& name : names) Remove(path + "\\" + name);
    }
    host.Remove(path);
    TDiskSpellings spellings(host, path, "", directory);
    if (directory) db.DeleteDirectory(path, &spellings);
    else db.DeleteFiles(path, &spellings);
  }
  void Rename(const std::string& from, const std::string& to) {
    const bool directory = host.Find(from)->Attributes & kAttributeDirectory;
    auto children = std::move(host.Find(from)->Children);
    host.Remove(from);
    if (TFakeHost::Node* replaced = host.Find(to); replaced && replaced->Name == Last(to)) host.Remove(to);
    TFakeHost::Node& made = directory ? host.MakeDirectory(to) : host.MakeFile(to);
    made.Children = std::move(children);
    TDiskSpellings spellings(host, from, to, directory);
    db.RenamePath(from, to, &spellings);
  }

  void SetUp() override {
    host.MakeFile("C:\\DOCS\\Twin.txt");
    host.MakeFile("C:\\DOCS\\twin.txt");
    host.MakeFile("C:\\DOCS\\Plain.txt");
    host.MakeFile("C:\\Pod\\A.pod");
    host.MakeDirectory("C:\\pod");  // a twin folder, not the same one again
    host.MakeFile("C:\\pod\\a.pod");
    host.MakeFile("C:\\pod\\deep\\b.pod");
    ASSERT_TRUE(db.ScanDrives(scratch_.File("memdb.dat")));
  }
  void TearDown() override { EXPECT_EQ(Inconsistency(), ""); }

  TTempDirectory scratch_{"twin-spellings"};
};

}  // namespace

// One table, applied in order: each step changes the disk as a user would
// and applies the monitor's reports; the tree must equal the disk after
// every one.
TEST_F(TwinSpellings, TheTreeEqualsTheDiskAfterEveryStep) {
  ASSERT_EQ(TreePicture(), DiskPicture()) << "the scan records each twin";
  const std::vector<std::pair<const char*, std::function<void()>>> steps = {
      {"one twin deleted", [&] { Remove("C:\\DOCS\\twin.txt"); }},
      {"twins created live, lower case second", [&] { File("C:\\DOCS\\Other.txt"), File("C:\\DOCS\\other.txt"); }},
      {"one of them deleted", [&] { Remove("C:\\DOCS\\other.txt"); }},
      {"twins created live, upper case second", [&] { File("C:\\DOCS\\b.txt"), File("C:\\DOCS\\B.TXT"); }},
      {"one renamed to a third name", [&] { Rename("C:\\DOCS\\b.txt", "C:\\DOCS\\Third.txt"); }},
      {"a file renamed to a third spelling beside twins",
       [&] { File("C:\\DOCS\\twin.txt"), Rename("C:\\DOCS\\Plain.txt", "C:\\DOCS\\TWIN.TXT"); }},
      {"one renamed onto the other's spelling", [&] { Rename("C:\\DOCS\\twin.txt", "C:\\DOCS\\Twin.txt"); }},
      {"a file created and deleted in a twin folder",
       [&] { File("C:\\pod\\new.pod"), File("C:\\Pod\\new.pod"), Remove("C:\\pod\\new.pod"); }},
      {"one twin folder removed", [&] { Remove("C:\\pod"); }},
      {"twin folders created live, with files in each",
       [&] { Folder("C:\\Src"), File("C:\\Src\\x.c"), Folder("C:\\src"), File("C:\\src\\x.c"), File("C:\\src\\y.c"); }},
      {"one twin folder renamed to a third name", [&] { Rename("C:\\Src", "C:\\Lib"); }},
      {"a folder renamed beside its twin", [&] { Folder("C:\\Third"), Folder("C:\\x"), Rename("C:\\x", "C:\\lib"); }},
  };
  for (const auto& [name, step] : steps) {
    SCOPED_TRACE(name);
    step();
    EXPECT_EQ(TreePicture(), DiskPicture());
    EXPECT_EQ(Inconsistency(), "");
  }
}

// A row whose file still exists under another spelling keeps it; a twin
// nobody shows is the one that goes. Where no twins exist the monitor is
// never asked on a create, and the answer it gives on a delete is the one
// the old rule would have reached.
TEST_F(TwinSpellings, RowsAndQuestions) {
  File("C:\\DOCS\\Shown.txt");
  db.Search("C:\\DOCS\\SHOWN.TXT");
  ASSERT_EQ(Rows(), (TLines{"C:\\DOCS\\SHOWN.TXT"}));
  File("C:\\DOCS\\shown.txt");
  Remove("C:\\DOCS\\shown.txt");
  EXPECT_EQ(Rows(), (TLines{"C:\\DOCS\\SHOWN.TXT"})) << "the remaining spelling's row stays";
  Remove("C:\\DOCS\\Shown.txt");
  EXPECT_EQ(Rows(), (TLines{"File Deleted"}));

  // Twin folders, each file shown: one folder goes, the other's row stays.
  db.Search("A.POD");
  ASSERT_EQ(Rows(), (TLines{"C:\\POD\\A.POD", "C:\\POD\\A.POD"}));
  Remove("C:\\pod");
  TLines rows = Rows();
  std::sort(rows.begin(), rows.end());
  EXPECT_EQ(rows, (TLines{"C:\\POD\\A.POD", "File Deleted"}));

  host.MakeFile("C:\\DOCS\\fresh.txt");
  TDiskSpellings created(host, "C:\\DOCS\\fresh.txt", "", false);
  db.AddFile("C:\\DOCS\\fresh.txt", &created);
  EXPECT_EQ(created.Asked, 0) << "a name the folder does not hold needs no count";
  // Without a count (no driver behind the record) nothing tells a second
  // spelling from the same file reported again, and a delete takes one
  // entry, as before.
  host.MakeFile("C:\\DOCS\\FRESH.TXT");
  db.AddFile("C:\\DOCS\\FRESH.TXT");
  EXPECT_EQ(FilesOf("C:\\DOCS\\"), (TLines{"FRESH.TXT", "PLAIN.TXT", "TWIN.TXT", "TWIN.TXT"}));
  db.DeleteFiles("C:\\DOCS\\twin.txt");
  EXPECT_EQ(FilesOf("C:\\DOCS\\"), (TLines{"FRESH.TXT", "PLAIN.TXT", "TWIN.TXT"}));
}
