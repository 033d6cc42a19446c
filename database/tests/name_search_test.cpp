#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <string>
#include <vector>

#include "tree_fixture.h"
#include "wildcard_pattern.h"

namespace {

using TRows = std::vector<std::string>;

// The meaning of a pattern, written as plainly as possible: `*` any run,
// `?` one byte, anything else itself.
bool ReferenceMatch(const std::string& name, size_t n, const std::string& pattern, size_t p) {
  if (p == pattern.size()) return n == name.size();
  if (pattern[p] == '*') {
    for (size_t rest = n; rest <= name.size(); ++rest) {
      if (ReferenceMatch(name, rest, pattern, p + 1)) return true;
    }
    return false;
  }
  if (n == name.size()) return false;
  return (pattern[p] == '?' || pattern[p] == name[n]) && ReferenceMatch(name, n + 1, pattern, p + 1);
}

bool Reference(const std::string& name, const std::string& pattern) {
  return !name.empty() && ReferenceMatch(name, 0, pattern, 0);
}

bool Matcher(const std::string& name, const std::string& pattern) {
  return TMemoryDB::WildcardMatch(name.data(), pattern.data(), name.size(), pattern.size());
}

bool Compiled(const std::string& name, const std::string& pattern) {
  return TWildcardPattern(pattern).Matches(name.data(), name.size());
}

}  // namespace

TEST(WildcardMatch, Cases) {
  struct TCase {
    const char* Name;
    const char* Pattern;
    bool Matches;
  };
  const TCase cases[] = {
      {"NOTES.TXT", "*.TXT", true},
      {"A.B.TXT", "*.TXT", true},  // not only the first dot
      {"ARCHIVE.TAR.GZ", "*.GZ", true},
      {"NOTES.TXT", "*.TX", false},
      {"A", "A*", true},  // a star takes the empty run
      {"AB", "A*", true},
      {"B", "A*", false},
      {"FILE.", "*.*", true},
      {"A.B", "*.*", true},
      {"README", "*.*", false},
      {"README", "*", true},
      {"X", "**", true},
      {"XYZ", "*?", true},
      {"", "*", false},  // an empty name never matches
      {"", "", false},
      {"A", "", false},
      {"A", "?", true},
      {"AB", "?", false},
      {"ABC", "A?C", true},
      {"ABC", "A?D", false},
      {"ABC", "ABC", true},
      {"ABC", "ABCD", false},
      {"ABCD", "ABC", false},
      {"ABC", "ABC*", true},
      {"AAAB", "*AAB", true},  // needs going back after a false start
      {"MISSISSIPPI", "M*SI*PI", true},
      {"MISSISSIPPI", "M*SI*PP", false},
      {"AXBXC", "*X*C", true},
      {"AXBXC", "*X*X*X*", false},
      {"ABAB", "*AB", true},
      {"A/B", "A/B", true},  // only "\" separates levels, and not here
      {"A ", "A ", true},
      {"A", "A ", false},
      {"abc", "ABC", false},  // exact bytes; the callers upper-case
      {"\xC9T\xC9", "?T?", true},
      {"A*B", "A*B", true},
      {"A?B", "A?B", true},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(Matcher(c.Name, c.Pattern), c.Matches) << c.Name << " / " << c.Pattern;
    EXPECT_EQ(Compiled(c.Name, c.Pattern), c.Matches) << "compiled: " << c.Name << " / " << c.Pattern;
  }
}

TEST(WildcardMatch, AgreesWithTheReferenceOnRandomPatterns) {
  std::mt19937 random(1995);
  const char nameBytes[] = "AB.";
  const char patternBytes[] = "AB.*?";
  for (int round = 0; round < 20000; ++round) {
    std::string name, pattern;
    for (size_t i = random() % 12; i > 0; --i) name += nameBytes[random() % 3];
    for (size_t i = random() % 8; i > 0; --i) pattern += patternBytes[random() % 5];
    const bool expected = Reference(name, pattern);
    ASSERT_EQ(Matcher(name, pattern), expected) << name << " / " << pattern;
    ASSERT_EQ(Compiled(name, pattern), expected) << "compiled: " << name << " / " << pattern;
  }
}

TEST(WildcardMatch, LongNamesAndPiecesNearTheirEnds) {
  // The piece search reads eight bytes at a time: pieces at every offset of
  // names of every length up to two words and a bit.
  for (size_t length = 1; length <= 20; ++length) {
    for (size_t at = 0; at + 2 <= length; ++at) {
      std::string name(length, 'A');
      name[at] = 'Q';
      name[at + 1] = 'Z';
      EXPECT_TRUE(Compiled(name, "*QZ*")) << name;
      EXPECT_TRUE(Matcher(name, "*QZ*")) << name;
      EXPECT_FALSE(Compiled(name, "*ZQ*")) << name;
    }
    EXPECT_FALSE(Compiled(std::string(length, 'A'), "*Q*"));
  }
  const std::string longest(255, 'X');
  EXPECT_TRUE(Matcher(longest, "*X"));
  EXPECT_TRUE(Matcher(longest + "Y", "X*X*Y"));
  // Worst case for going back: must still end, and answer right.
  EXPECT_FALSE(Matcher(std::string(255, 'A'), "*A*A*A*A*A*B"));
}

namespace {

class NameSearch : public TreeFixture {
 protected:
  NameSearch() {
    Build({
        "C:\\AUTOEXEC.BAT",
        "C:\\WINDOWS\\WIN.INI",
        "C:\\WINDOWS\\SYSTEM.INI",
        "C:\\WINDOWS\\NOTEPAD.EXE",
        "C:\\WINDOWS\\SYSTEM\\VGA.DRV",
        "C:\\WINDOWS\\SYSTEM\\OEM.INI",
        "C:\\WINDOWS\\SYSTEM\\COLOR\\X.INI",
        "C:\\DOCS\\NOTES.TXT",
        "C:\\DOCS\\A.B.TXT",
        "C:\\DOCS\\FILE.",
        "C:\\DOCS\\README",
        "C:\\DOCS\\TRAIL ",
        "C:\\DOCS\\WINDOWS",
        "E:\\WIN.INI",
        "E:\\WINDOWS\\WIN.INI",
    });
  }
};

}  // namespace

TEST_F(NameSearch, PatternsAndTheirRows) {
  struct TCase {
    const char* Pattern;
    TRows Rows;
  };
  const TCase cases[] = {
      {"", {}},
      {"C:\\WINDOWS\\", {}},
      // No trailing "\": files named WINDOWS anywhere on drive C.
      {"C:\\WINDOWS", {"C:\\DOCS\\WINDOWS"}},
      // The start directory, then level by level in chain order, each
      // directory's files newest first.
      {"C:\\WINDOWS\\*.INI",
       {"C:\\WINDOWS\\SYSTEM.INI", "C:\\WINDOWS\\WIN.INI", "C:\\WINDOWS\\SYSTEM\\OEM.INI",
        "C:\\WINDOWS\\SYSTEM\\COLOR\\X.INI"}},
      {"c:\\windows\\*.ini",
       {"C:\\WINDOWS\\SYSTEM.INI", "C:\\WINDOWS\\WIN.INI", "C:\\WINDOWS\\SYSTEM\\OEM.INI",
        "C:\\WINDOWS\\SYSTEM\\COLOR\\X.INI"}},
      // Every file of the drive, the top directory's first.
      {"C:\\*",
       {"C:\\AUTOEXEC.BAT", "C:\\WINDOWS\\NOTEPAD.EXE", "C:\\WINDOWS\\SYSTEM.INI",
        "C:\\WINDOWS\\WIN.INI", "C:\\DOCS\\WINDOWS", "C:\\DOCS\\TRAIL ", "C:\\DOCS\\README",
        "C:\\DOCS\\FILE.", "C:\\DOCS\\A.B.TXT", "C:\\DOCS\\NOTES.TXT",
        "C:\\WINDOWS\\SYSTEM\\OEM.INI", "C:\\WINDOWS\\SYSTEM\\VGA.DRV",
        "C:\\WINDOWS\\SYSTEM\\COLOR\\X.INI"}},
      // An unknown directory part searches everywhere for the name part.
      {"C:\\NOSUCHDIR\\WIN.INI", {"C:\\WINDOWS\\WIN.INI", "E:\\WIN.INI", "E:\\WINDOWS\\WIN.INI"}},
      {"win.ini", {"C:\\WINDOWS\\WIN.INI", "E:\\WIN.INI", "E:\\WINDOWS\\WIN.INI"}},
      {"C:\\DOCS\\*.*",
       {"C:\\DOCS\\FILE.", "C:\\DOCS\\A.B.TXT", "C:\\DOCS\\NOTES.TXT"}},
      {"C:\\DOCS\\*.TXT", {"C:\\DOCS\\A.B.TXT", "C:\\DOCS\\NOTES.TXT"}},
      {"C:\\DOCS\\* ", {"C:\\DOCS\\TRAIL "}},
      {"C:\\DOCS\\TRAIL", {}},
      {"?????", {"C:\\WINDOWS\\SYSTEM\\COLOR\\X.INI", "C:\\DOCS\\FILE."}},
      {"C:\\WINDOWS\\SYSTEM\\*.?RV", {"C:\\WINDOWS\\SYSTEM\\VGA.DRV"}},
      {"*o*e*", {"C:\\AUTOEXEC.BAT", "C:\\WINDOWS\\NOTEPAD.EXE",
                 "C:\\WINDOWS\\SYSTEM\\OEM.INI", "C:\\DOCS\\NOTES.TXT"}},
      {"E:\\", {}},
      {"E:\\*", {"E:\\WIN.INI", "E:\\WINDOWS\\WIN.INI"}},
  };
  for (const TCase& c : cases) {
    db.Search(c.Pattern);
    EXPECT_EQ(Rows(), c.Rows) << "pattern \"" << c.Pattern << "\"";
    EXPECT_EQ(host.LockDepth, 0);
  }
}

TEST_F(NameSearch, AnEmptyPatternReplacesThePreviousRows) {
  db.Search("*.INI");
  ASSERT_GT(db.ResultCount(), 0);
  db.Search("");
  EXPECT_EQ(db.ResultCount(), 0);
  EXPECT_EQ(db.ResultFiles.size(), db.ResultDirs.size());
}

TEST_F(NameSearch, OtherDrivesLeaveThePreviousRowsAlone) {
  db.Search("*.TXT");
  const TRows before = Rows();
  ASSERT_EQ(before.size(), 2u);
  for (const char* pattern : {"A:\\*.*", "D:\\*.TXT", "N:\\*", "Q:\\*", "DOCS\\*.TXT"}) {
    db.Search(pattern);
    EXPECT_EQ(Rows(), before) << pattern;
  }
}

TEST_F(NameSearch, LevelsFollowChainOrderNotDepthFirstOrder) {
  // Chain: T, A, B, B\BX, A\AX. A depth-first walk would list AX before BX;
  // the second level in chain order lists BX first.
  BuildTreeOnly({"C:\\T\\A\\A.TXT", "C:\\T\\B\\B.TXT", "C:\\T\\B\\BX\\BX.TXT",
                 "C:\\T\\A\\AX\\AX.TXT", "C:\\T\\T.TXT"});
  db.Search("C:\\T\\*.TXT");
  EXPECT_EQ(Rows(), (TRows{"C:\\T\\T.TXT", "C:\\T\\A\\A.TXT", "C:\\T\\B\\B.TXT",
                           "C:\\T\\B\\BX\\BX.TXT", "C:\\T\\A\\AX\\AX.TXT"}));

  // A directory moved under an older one keeps its own place in the chain.
  TDirectoryRecord* late = db.DirList->AddNode("LATE", Node("C:\\"));
  db.DirList->AddEntry("L.TXT", late);
  db.DirList->MoveNode(late, late->Name, Node("C:\\T\\"));
  db.DirList->MoveNode(Node("C:\\T\\A\\"), "A", late);
  db.Search("C:\\T\\*.TXT");
  // Second level: A (made second) before BX (made fourth).
  EXPECT_EQ(Rows(), (TRows{"C:\\T\\T.TXT", "C:\\T\\B\\B.TXT", "C:\\T\\LATE\\L.TXT",
                           "C:\\T\\LATE\\A\\A.TXT", "C:\\T\\B\\BX\\BX.TXT",
                           "C:\\T\\LATE\\A\\AX\\AX.TXT"}));
}

TEST_F(NameSearch, SearchEverywhereFollowsTheChainInOrder) {
  // Many directories with files of their own: the rows keep directory
  // order and file-chain order however the walk is arranged inside.
  TRows expected;
  for (int d = 0; d < 40; ++d) {
    TDirectoryRecord* node = db.DirList->AddNode("MANY" + std::to_string(d), Node("C:\\"));
    const int files = (d * 7) % 23;
    for (int f = 0; f < files; ++f) db.DirList->AddEntry("F" + std::to_string(f) + ".LOG", node);
    for (int f = files - 1; f >= 0; --f) {
      expected.push_back("C:\\MANY" + std::to_string(d) + "\\F" + std::to_string(f) + ".LOG");
    }
  }
  db.Search("*.LOG");
  EXPECT_EQ(Rows(), expected);
  db.Search("C:\\*.LOG");
  EXPECT_EQ(Rows(), expected);
}

TEST_F(NameSearch, AccessorsOfLiveAndClearedRows) {
  db.Search("C:\\WINDOWS\\*.INI");
  ASSERT_EQ(db.ResultCount(), 4);
  EXPECT_EQ(db.ResultFullPath(1), "C:\\WINDOWS\\WIN.INI");
  EXPECT_EQ(db.ResultDirectory(1), "C:\\WINDOWS\\");
  EXPECT_EQ(db.ResultFileName(1), "WIN.INI");
  EXPECT_EQ(db.ResultDirectory(3), "C:\\WINDOWS\\SYSTEM\\COLOR\\");

  host.Remove("C:\\WINDOWS\\WIN.INI");
  db.DeleteFiles("C:\\WINDOWS\\WIN.INI");
  EXPECT_EQ(db.ResultCount(), 4);
  EXPECT_EQ(db.ResultFullPath(1), "File Deleted");
  EXPECT_EQ(db.ResultFileName(1), "File Deleted");
  EXPECT_EQ(db.ResultDirectory(1), "");
  EXPECT_EQ(db.ResultFullPath(0), "C:\\WINDOWS\\SYSTEM.INI");
  EXPECT_EQ(host.LockDepth, 0);
}

TEST_F(NameSearch, AccessorsHalfClearedRows) {
  // Each accessor looks at its own half of the row.
  db.Search("C:\\WINDOWS\\*.INI");
  {
    TLockGuard guard(*db.Lock);
    db.ResultDirs[0] = nullptr;
    db.ResultFiles[1] = nullptr;
  }
  EXPECT_EQ(db.ResultFullPath(0), "File Deleted");
  EXPECT_EQ(db.ResultFileName(0), "SYSTEM.INI");
  EXPECT_EQ(db.ResultDirectory(0), "");
  EXPECT_EQ(db.ResultFullPath(1), "File Deleted");
  EXPECT_EQ(db.ResultFileName(1), "File Deleted");
  EXPECT_EQ(db.ResultDirectory(1), "C:\\WINDOWS\\");
}

TEST_F(NameSearch, RowsOutsideTheResultReadEmptyAndLeaveTheLockFree) {
  for (int rowCount : {0, 4}) {
    db.Search(rowCount ? "C:\\WINDOWS\\*.INI" : "NOTHING");
    ASSERT_EQ(db.ResultCount(), rowCount);
    for (int row : {-1, rowCount, rowCount + 1, INT_MAX, INT_MIN}) {
      EXPECT_EQ(db.ResultFullPath(row), "") << row;
      EXPECT_EQ(db.ResultDirectory(row), "") << row;
      EXPECT_EQ(db.ResultFileName(row), "") << row;
      EXPECT_EQ(host.LockDepth, 0) << row;
    }
  }
}

TEST_F(NameSearch, SearchIntoListsOfItsOwnMatchesSearchAndLeavesTheRowsAlone) {
  db.Search("C:\\DOCS\\*.TXT");
  const TRows windowRows = Rows();
  ASSERT_EQ(windowRows.size(), 2u);
  const auto paths = [&](const std::vector<TFileRecord*>& files,
                         const std::vector<TDirectoryRecord*>& dirs) {
    TRows rows;
    for (size_t i = 0; i < files.size(); ++i) {
      rows.push_back(db.DirectoryPath(dirs[i]) + std::string(files[i]->NameView()));
    }
    return rows;
  };
  for (const char* pattern : {"*.INI", "c:\\windows\\*.ini", "C:\\NOSUCHDIR\\WIN.INI", "?????",
                              "*o*e*", "E:\\*", "A:\\*.*", "", "NOTHING"}) {
    // Stale entries in the caller's lists go first.
    std::vector<TFileRecord*> files(3, nullptr);
    std::vector<TDirectoryRecord*> dirs(1, nullptr);
    db.SearchInto(pattern, files, dirs);
    ASSERT_EQ(files.size(), dirs.size()) << pattern;
    const TRows own = paths(files, dirs);
    EXPECT_EQ(Rows(), windowRows) << pattern;
    EXPECT_EQ(host.LockDepth, 0);
    db.Search(pattern);
    // A drive that is not fixed leaves the window's rows alone and finds nothing.
    if (std::string(pattern).rfind("A:", 0) == 0) {
      EXPECT_TRUE(own.empty());
    } else {
      EXPECT_EQ(own, Rows()) << pattern;
    }
    db.Search("C:\\DOCS\\*.TXT");
  }
  // A change clears the window's rows only: the caller's lists are its own.
  std::vector<TFileRecord*> files;
  std::vector<TDirectoryRecord*> dirs;
  db.SearchInto("C:\\DOCS\\*.TXT", files, dirs);
  host.Remove("C:\\DOCS\\NOTES.TXT");
  db.DeleteFiles("C:\\DOCS\\NOTES.TXT");
  EXPECT_EQ(db.ResultFullPath(1), "File Deleted");
  EXPECT_EQ(files.size(), 2u);
}
