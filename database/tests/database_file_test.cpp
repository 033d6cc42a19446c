#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "crc32.h"
#include "exceptions.h"
#include "fake_host.h"
#include "memory_db.h"
#include "temp_directory.h"
#include "tree_dump.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Writes file images by hand, for the layouts no saved tree produces.
class TImage {
 public:
  TImage& Int(int32_t value) {
    const uint32_t bits = static_cast<uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) bytes_.push_back(static_cast<uint8_t>(bits >> shift));
    return *this;
  }
  TImage& Raw(const std::string& text) {
    bytes_.insert(bytes_.end(), text.begin(), text.end());
    return *this;
  }
  TImage& Name(const std::string& text) { return Int(static_cast<int32_t>(text.size())).Raw(text); }
  // A directory record with no files.
  TImage& Dir(const std::string& name, int32_t parentIndex) {
    return Name(name).Int(parentIndex).Int(0);
  }
  operator Bytes() const { return bytes_; }

 private:
  Bytes bytes_;
};

class DatabaseFileTest : public ::testing::Test {
 protected:
  void SetUp() override { db.FileName = path_; }
  void TearDown() override {
    EXPECT_EQ(host.LocksHeld, 0) << "an operation left the database lock held";
  }

  Bytes ReadBack() const { return ReadFileBytes(path_); }
  void WriteFile(const Bytes& bytes) const { WriteFileBytes(path_, bytes); }
  // As a save would leave it: the file and its checksum in the settings.
  void WriteMatching(const Bytes& bytes) {
    WriteFile(bytes);
    host.Settings["CRC32"] = static_cast<int32_t>(StreamCRC(bytes));
  }
  uint32_t StoredChecksum() const { return static_cast<uint32_t>(host.Settings.at("CRC32")); }

  TDDList& Tree() { return *db.DirList; }
  std::vector<std::string> Dump() { return DumpTree(*db.DirList); }

  // C:\ with WINDOWS\SYSTEM and a few files, D:\ with one file.
  void BuildSampleTree() {
    TDirectoryRecord* c = Tree().AddNode("C:", nullptr);
    TDirectoryRecord* windows = Tree().AddNode("WINDOWS", c);
    TDirectoryRecord* system = Tree().AddNode("SYSTEM", windows);
    TDirectoryRecord* d = Tree().AddNode("D:", nullptr);
    Tree().AddEntry("AUTOEXEC.BAT", c);
    Tree().AddEntry("CONFIG.SYS", c);
    Tree().AddEntry("WIN.INI", windows);
    Tree().AddEntry("USER.EXE", system);
    Tree().AddEntry("CAF\xC9.TXT", d);
  }

  TTempDirectory directory_{"file"};
  const std::string path_ = directory_.File("memdb.dat");
  TFakeHost host;
  TMemoryDB db{host};
};

TEST_F(DatabaseFileTest, EmptyTreeIsTheFourByteFileZeroAndLoadsBackEmpty) {
  ASSERT_TRUE(db.SaveToFile());
  EXPECT_EQ(ReadBack(), Bytes(TImage().Int(0)));
  EXPECT_EQ(StoredChecksum(), 0x2144DF1Cu);

  BuildSampleTree();
  ASSERT_TRUE(db.LoadFromFile(path_));
  EXPECT_EQ(Tree().FirstNode(), nullptr);
}

TEST_F(DatabaseFileTest, OneDriveWithOneFileIsTheTwentySevenByteExample) {
  Tree().AddEntry("A.TXT", Tree().AddNode("C:", nullptr));
  ASSERT_TRUE(db.SaveToFile());

  const Bytes expected = TImage().Int(1).Name("C:").Int(0).Int(1).Name("A.TXT");
  ASSERT_EQ(expected.size(), 27u);
  EXPECT_EQ(ReadBack(), expected);
  // The checksum's bit pattern, here with the top bit set.
  EXPECT_EQ(StoredChecksum(), 0xD1F020DEu);

  TFakeHost otherHost;
  otherHost.Settings = host.Settings;
  TMemoryDB other(otherHost);
  ASSERT_TRUE(other.LoadFromFile(path_));
  EXPECT_EQ(DumpTree(*other.DirList), std::vector<std::string>({"C:\\ : A.TXT"}));
}

TEST_F(DatabaseFileTest, AnyOneByteChangeAfterTheSaveIsRejected) {
  Tree().AddEntry("A.TXT", Tree().AddNode("C:", nullptr));
  ASSERT_TRUE(db.SaveToFile());
  const Bytes saved = ReadBack();
  const std::vector<std::string> before = Dump();

  for (size_t at = 0; at < saved.size(); ++at) {
    Bytes changed = saved;
    changed[at] ^= 0x20;
    WriteFile(changed);
    EXPECT_FALSE(db.LoadFromFile(path_)) << "byte " << at;
  }
  Bytes longer = saved;
  longer.push_back(0);
  WriteFile(longer);
  EXPECT_FALSE(db.LoadFromFile(path_)) << "one byte added";
  WriteFile(Bytes(saved.begin(), saved.end() - 1));
  EXPECT_FALSE(db.LoadFromFile(path_)) << "one byte cut";
  EXPECT_EQ(Dump(), before);
}

TEST_F(DatabaseFileTest, ParentLaterInTheChainLoadsWithTheRightParent) {
  // DOCS is moved under NEW, which was created after it.
  TDirectoryRecord* c = Tree().AddNode("C:", nullptr);
  TDirectoryRecord* docs = Tree().AddNode("DOCS", c);
  TDirectoryRecord* newer = Tree().AddNode("NEW", c);
  ASSERT_TRUE(Tree().MoveNode(docs, "DOCS", newer));
  Tree().AddEntry("README", docs);
  ASSERT_TRUE(db.SaveToFile());
  EXPECT_EQ(ReadBack(), Bytes(TImage()
                                  .Int(3)
                                  .Dir("C:", 0)
                                  .Name("DOCS").Int(3).Int(1).Name("README")
                                  .Dir("NEW", 1)));

  Tree().AddNode("STALE", nullptr);
  ASSERT_TRUE(db.LoadFromFile(path_));
  EXPECT_EQ(Dump(), std::vector<std::string>({"C:\\ :", "C:\\NEW\\DOCS\\ : README", "C:\\NEW\\ :"}));
  const TDirectoryRecord* loadedDocs = Tree().FirstNode()->Next;
  EXPECT_EQ(loadedDocs->Parent, loadedDocs->Next);
}

TEST_F(DatabaseFileTest, FileOrderWithinADirectoryReversesOnEverySaveAndLoad) {
  TDirectoryRecord* c = Tree().AddNode("C:", nullptr);
  Tree().AddEntry("A", c);
  Tree().AddEntry("B", c);
  ASSERT_EQ(Dump(), std::vector<std::string>({"C:\\ : B A"}));

  ASSERT_TRUE(db.SaveToFile());
  ASSERT_TRUE(db.LoadFromFile(path_));
  EXPECT_EQ(Dump(), std::vector<std::string>({"C:\\ : A B"}));
  ASSERT_TRUE(db.SaveToFile());
  ASSERT_TRUE(db.LoadFromFile(path_));
  EXPECT_EQ(Dump(), std::vector<std::string>({"C:\\ : B A"}));
}

TEST_F(DatabaseFileTest, TwoRoundTripsGiveBackTheSameTreeAndTheSameBytes) {
  BuildSampleTree();
  const std::vector<std::string> original = Dump();
  ASSERT_TRUE(db.SaveToFile());
  const Bytes first = ReadBack();
  ASSERT_TRUE(db.LoadFromFile(path_));
  ASSERT_TRUE(db.SaveToFile());
  ASSERT_TRUE(db.LoadFromFile(path_));
  EXPECT_EQ(Dump(), original);
  ASSERT_TRUE(db.SaveToFile());
  EXPECT_EQ(ReadBack(), first);
}

TEST_F(DatabaseFileTest, LongestNamesAndTheLastParentIndexAreAccepted) {
  const std::string longest(kMaxNameLength, 'N');
  WriteMatching(TImage()
                    .Int(2)
                    .Name(longest).Int(2).Int(1).Name(longest)
                    .Name("").Int(0).Int(1).Name(""));
  ASSERT_TRUE(db.LoadFromFile(path_));
  EXPECT_EQ(Dump(), std::vector<std::string>({"\\" + longest + "\\ : " + longest, "\\ : "}));
}

// Files whose checksum matches but whose content no writer of this program
// produces: each one is refused, and the tree in memory stays as it was.
TEST_F(DatabaseFileTest, InconsistentContentWithAMatchingChecksumIsRefused) {
  const std::string tooLong(kMaxNameLength + 1, 'N');
  struct Case {
    const char* What;
    Bytes Image;
  };
  const Case cases[] = {
      {"NodeCount cut short", Bytes{0, 0}},
      {"negative NodeCount", TImage().Int(-1)},
      {"NodeCount above the records present", TImage().Int(2).Dir("C:", 0)},
      {"huge NodeCount", TImage().Int(0x7FFFFFFF).Dir("C:", 0)},
      {"directory name length negative", TImage().Int(1).Int(-1).Int(0).Int(0)},
      {"directory name over 255 bytes", TImage().Int(1).Dir(tooLong, 0)},
      {"directory name past the end", TImage().Int(1).Int(10).Raw("C:")},
      {"ParentIndex missing", TImage().Int(1).Name("C:")},
      {"negative ParentIndex", TImage().Int(1).Dir("C:", -1)},
      {"ParentIndex above N", TImage().Int(2).Dir("C:", 0).Dir("X", 3)},
      {"node its own parent", TImage().Int(1).Dir("C:", 1)},
      {"two nodes each other's parent", TImage().Int(2).Dir("A", 2).Dir("B", 1)},
      {"cycle beside a sound drive",
       TImage().Int(4).Dir("C:", 0).Dir("X", 1).Dir("Y", 4).Dir("Z", 3)},
      {"FileCount missing", TImage().Int(1).Name("C:").Int(0)},
      {"negative FileCount", TImage().Int(1).Name("C:").Int(0).Int(-1)},
      {"FileCount above the records present",
       TImage().Int(1).Name("C:").Int(0).Int(3).Name("A.TXT")},
      {"huge FileCount", TImage().Int(1).Name("C:").Int(0).Int(0x7FFFFFFF).Name("A")},
      {"file name length negative", TImage().Int(1).Name("C:").Int(0).Int(1).Int(-5)},
      {"file name over 255 bytes", TImage().Int(1).Name("C:").Int(0).Int(1).Name(tooLong)},
      {"file name past the end", TImage().Int(1).Name("C:").Int(0).Int(1).Int(6).Raw("A.TXT")},
      {"zero byte in a directory name", TImage().Int(1).Dir(std::string("C\0D", 3), 0)},
      {"backslash in a directory name", TImage().Int(1).Dir("C:\\WINDOWS", 0)},
      {"zero byte in a file name",
       TImage().Int(1).Name("C:").Int(0).Int(1).Name(std::string("A\0B", 3))},
      {"backslash in a file name", TImage().Int(1).Name("C:").Int(0).Int(1).Name("X\\A.TXT")},
      {"one byte left over", TImage().Int(1).Name("C:").Int(0).Int(1).Name("A.TXT").Raw("!")},
      {"a whole record left over", TImage().Int(1).Dir("C:", 0).Dir("D:", 0)},
      {"records after an empty tree", TImage().Int(0).Dir("C:", 0)},
  };

  BuildSampleTree();
  const std::vector<std::string> before = Dump();
  for (const Case& c : cases) {
    WriteMatching(c.Image);
    db.FileName.clear();
    EXPECT_FALSE(db.LoadFromFile(path_)) << c.What;
    EXPECT_EQ(Dump(), before) << c.What;
    EXPECT_EQ(db.FileName, path_) << c.What;
  }
}

TEST_F(DatabaseFileTest, MissingOrEmptyFileIsRefusedAndTheTreeKept) {
  BuildSampleTree();
  const std::vector<std::string> before = Dump();
  host.Settings["CRC32"] = 0;  // the checksum of no bytes at all

  const std::string missing = directory_.File("nosuch.dat");
  EXPECT_FALSE(db.LoadFromFile(missing));
  EXPECT_EQ(db.FileName, missing);
  WriteFile(Bytes());
  EXPECT_FALSE(db.LoadFromFile(path_));
  EXPECT_FALSE(db.LoadFromFile(directory_.Path().string())) << "a directory is no database file";
  EXPECT_EQ(Dump(), before);
}

TEST_F(DatabaseFileTest, UnreadableChecksumSettingRaisesERegistryAndKeepsTheTree) {
  BuildSampleTree();
  ASSERT_TRUE(db.SaveToFile());
  host.Settings.erase("CRC32");
  Tree().AddNode("EXTRA", nullptr);
  const std::vector<std::string> before = Dump();
  EXPECT_THROW(db.LoadFromFile(path_), ERegistry);
  EXPECT_EQ(Dump(), before);
}

TEST_F(DatabaseFileTest, SaveWritesTheChecksumOfExactlyTheBytesInTheFile) {
  BuildSampleTree();
  host.Settings["CRC32"] = 12345;
  ASSERT_TRUE(db.SaveToFile());
  EXPECT_EQ(StoredChecksum(), StreamCRC(ReadBack()));
  // A second save over a longer file truncates it.
  Tree().RemoveNode(Tree().FirstNode()->Next->Next->Next);
  ASSERT_TRUE(db.SaveToFile());
  EXPECT_EQ(StoredChecksum(), StreamCRC(ReadBack()));
  ASSERT_TRUE(db.LoadFromFile(path_));
  EXPECT_EQ(Dump().size(), 3u);
}

TEST_F(DatabaseFileTest, SaveThatCannotCreateTheFileFailsAndWritesNoChecksum) {
  BuildSampleTree();
  db.FileName = directory_.File("no/such/memdb.dat");
  EXPECT_FALSE(db.SaveToFile());
  EXPECT_EQ(host.Settings.count("CRC32"), 0u);
  db.FileName.clear();
  EXPECT_FALSE(db.SaveToFile());
  EXPECT_EQ(host.Settings.count("CRC32"), 0u);
  EXPECT_FALSE(std::filesystem::exists(".tmp"));
}

// A save that fails at any step leaves the old file and its checksum as they
// were, and no temporary file beside them.
TEST_F(DatabaseFileTest, SaveThatFailsAtAnyStepKeepsTheOldFileAndChecksum) {
  struct TCase {
    const char* Step;
    bool FailWrite, FailChecksum, FailRename;
  };
  const TCase cases[] = {
      {"the write of the temporary file", true, false, false},
      {"the checksum", false, true, false},
      {"the rename", false, false, true},
  };
  const Bytes old = TImage().Int(1).Dir("C:", 0);
  for (const TCase& row : cases) {
    WriteMatching(old);
    const int32_t oldChecksum = host.Settings.at("CRC32");
    BuildSampleTree();
    host.FailWholeFileWrite = row.FailWrite;
    host.FailSettingWrites = row.FailChecksum;
    host.FailReplace = row.FailRename;
    EXPECT_FALSE(db.SaveToFile()) << row.Step;
    host.FailWholeFileWrite = host.FailSettingWrites = host.FailReplace = false;
    EXPECT_EQ(ReadBack(), old) << row.Step;
    EXPECT_EQ(host.Settings.at("CRC32"), oldChecksum) << row.Step;
    EXPECT_FALSE(std::filesystem::exists(path_ + ".tmp")) << row.Step;
    ASSERT_TRUE(db.LoadFromFile(path_)) << row.Step;
    EXPECT_EQ(Dump(), std::vector<std::string>({"C:\\ :"})) << row.Step;
  }
}

// Ended after the checksum and before the rename, a save leaves the old file,
// the new checksum and the whole new image in the temporary file: the load
// takes the new image and finishes the rename. Ended before the checksum,
// it leaves a temporary that the load throws away.
TEST_F(DatabaseFileTest, LoadFinishesASaveEndedBetweenChecksumAndRename) {
  const Bytes old = TImage().Int(1).Dir("C:", 0);
  const Bytes saved = TImage().Int(1).Name("D:").Int(0).Int(1).Name("NEW.TXT");
  WriteFile(old);
  WriteFileBytes(path_ + ".tmp", saved);
  host.Settings["CRC32"] = static_cast<int32_t>(StreamCRC(saved));
  ASSERT_TRUE(db.LoadFromFile(path_));
  EXPECT_EQ(Dump(), std::vector<std::string>({"D:\\ : NEW.TXT"}));
  EXPECT_EQ(ReadBack(), saved);
  EXPECT_FALSE(std::filesystem::exists(path_ + ".tmp"));

  WriteFileBytes(path_ + ".tmp", old);
  ASSERT_TRUE(db.LoadFromFile(path_));
  EXPECT_EQ(Dump(), std::vector<std::string>({"D:\\ : NEW.TXT"}));
  EXPECT_FALSE(std::filesystem::exists(path_ + ".tmp"));

  // Neither file matching: nothing is loaded, and nothing is renamed.
  WriteFileBytes(path_ + ".tmp", old);
  host.Settings["CRC32"] = 12345;
  EXPECT_FALSE(db.LoadFromFile(path_));
  EXPECT_EQ(ReadBack(), saved);
}

TEST_F(DatabaseFileTest, LoadClearsResultRowsInPlaceInsteadOfLeavingThemOnFreedRecords) {
  BuildSampleTree();
  ASSERT_TRUE(db.SaveToFile());
  TDirectoryRecord* c = Tree().FirstNode();
  db.ResultFiles = {Tree().FirstEntry(c), nullptr};
  db.ResultDirs = {c, nullptr};
  ASSERT_TRUE(db.LoadFromFile(path_));
  EXPECT_EQ(db.ResultFiles, std::vector<TFileRecord*>(2, nullptr));
  EXPECT_EQ(db.ResultDirs, std::vector<TDirectoryRecord*>(2, nullptr));
}

}  // namespace
