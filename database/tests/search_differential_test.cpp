// The search against a straightforward walk over the same tree: every node
// in chain order (or the start directory's subtree level by level, one pass
// over the whole chain per level), every entry of its chain, the general
// matcher. Thousands of random patterns, between rounds of random change
// operations that grow, shrink, rename and move the tree, so that the
// directory summaries the search trusts are added to, left stale by
// removals, resized and moved together again.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "tree_fixture.h"
#include "wildcard_pattern.h"

namespace {

class SearchDifferential : public TreeFixture {
 protected:
  std::mt19937 random{96};

  size_t Below(size_t bound) { return std::uniform_int_distribution<size_t>(0, bound - 1)(random); }

  // Short names from few letters meet each other often; some long ones
  // reach past a machine word.
  std::string RandomName() {
    static const char kBytes[] = "ABCDEFGH._0\xC9";
    const size_t length = Below(6) == 0 ? 9 + Below(30) : 1 + Below(8);
    std::string name;
    for (size_t i = 0; i < length; ++i) name += kBytes[Below(sizeof(kBytes) - 1)];
    return name;
  }

  struct TTreeLists {
    std::vector<std::string> Directories;  // full paths ending in "\"
    std::vector<std::string> Files;
  };

  TTreeLists Lists() {
    TTreeLists lists;
    TLockGuard guard(*db.Lock);
    for (TDirectoryRecord* node = db.DirList->FirstNode(); node; node = node->Next) {
      const std::string path = db.DirectoryPath(node);
      // A directory moved under one that went is a top-level node of its
      // own, on no drive; changes are made on the drive only.
      if (path.compare(0, 3, "C:\\") != 0) continue;
      lists.Directories.push_back(path);
      for (TFileRecord* entry = node->Files; entry; entry = entry->Next) {
        lists.Files.push_back(path + std::string(entry->NameView()));
      }
    }
    return lists;
  }

  static std::string Parent(const std::string& path) {
    const size_t cut = path.find_last_of('\\', path.size() - 2);
    return path.substr(0, cut + 1);
  }

  // One change, made on the disk first and then reported, as the monitor does.
  void RandomChange(const TTreeLists& lists) {
    const std::string& directory = lists.Directories[Below(lists.Directories.size())];
    switch (Below(10)) {
      case 0: case 1: case 2: case 3: {
        const std::string path = directory + RandomName();
        host.MakeFile(path);
        db.AddFile(path);
        break;
      }
      case 4: {
        const std::string path = directory + RandomName();
        host.MakeDirectory(path);
        db.AddDirectory(path);
        break;
      }
      case 5: case 6: {
        if (lists.Files.empty()) break;
        const std::string& path = lists.Files[Below(lists.Files.size())];
        host.Remove(path);
        db.DeleteFiles(path);
        break;
      }
      case 7: {
        if (lists.Files.empty()) break;
        const std::string& from = lists.Files[Below(lists.Files.size())];
        const std::string to = lists.Directories[Below(lists.Directories.size())] + RandomName();
        host.Remove(from);
        host.MakeFile(to);
        db.RenamePath(from, to);
        break;
      }
      case 8: {
        if (directory.size() <= 3) break;  // a drive root stays
        const std::string from = directory.substr(0, directory.size() - 1);
        const std::string to = lists.Directories[Below(lists.Directories.size())] + RandomName();
        host.MakeDirectory(to);
        db.RenamePath(from, to);
        break;
      }
      case 9: {
        if (directory.size() <= 3 || Below(4) != 0) break;
        host.Remove(directory.substr(0, directory.size() - 1));
        db.DeleteDirectory(directory.substr(0, directory.size() - 1));
        break;
      }
    }
  }

  // A pattern from a name of the tree: itself, with bytes turned into "?",
  // cut down to a piece between stars, a prefix or a suffix; or made up.
  std::string RandomPattern(const TTreeLists& lists) {
    if (lists.Files.empty() || Below(8) == 0) {
      std::string made = RandomName();
      for (char& c : made) {
        if (Below(4) == 0) c = "*?"[Below(2)];
      }
      return made;
    }
    const std::string& file = lists.Files[Below(lists.Files.size())];
    std::string name = file.substr(file.find_last_of('\\') + 1);
    const size_t from = Below(name.size()), length = 1 + Below(name.size() - from);
    std::string pattern;
    switch (Below(7)) {
      case 0: pattern = name; break;
      case 1:
        pattern = name;
        for (char& c : pattern) {
          if (Below(3) == 0) c = '?';
        }
        break;
      case 2: pattern = "*" + name.substr(from, length) + "*"; break;
      case 3: pattern = name.substr(0, length) + "*"; break;
      case 4: pattern = "*" + name.substr(from); break;
      case 5: pattern = name.substr(0, from) + "*" + name.substr(from + length / 2); break;
      case 6: pattern = "*" + name.substr(from, length) + "*" + name.substr(from + length / 2) + "?"; break;
    }
    // Lower case now and then: the search upper-cases what it is given.
    if (Below(5) == 0) {
      for (char& c : pattern) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
      }
    }
    // A directory part: one of the tree, or one that does not resolve.
    const size_t scope = Below(6);
    if (scope == 0) pattern = lists.Directories[Below(lists.Directories.size())] + pattern;
    if (scope == 1) pattern = "C:\\NOSUCH\\" + pattern;
    return pattern;
  }

  std::vector<std::string> ReferenceRows(const std::string& pattern) {
    std::string name;
    TDirectoryRecord* start = nullptr;
    TLockGuard guard(*db.Lock);
    db.ResolvePath(pattern, name, start);
    std::vector<TDirectoryRecord*> scope;
    if (!start) {
      for (TDirectoryRecord* node = db.DirList->FirstNode(); node; node = node->Next) scope.push_back(node);
    } else {
      std::vector<TDirectoryRecord*> level{start};
      scope.push_back(start);
      while (!level.empty()) {
        std::vector<TDirectoryRecord*> next;
        for (TDirectoryRecord* node = db.DirList->FirstNode(); node; node = node->Next) {
          for (TDirectoryRecord* parent : level) {
            if (node->Parent == parent) next.push_back(node);
          }
        }
        scope.insert(scope.end(), next.begin(), next.end());
        level.swap(next);
      }
    }
    std::vector<std::string> rows;
    for (TDirectoryRecord* node : scope) {
      for (TFileRecord* entry = node->Files; entry; entry = entry->Next) {
        if (WildcardBytesMatch(entry->Name, entry->Length, name.data(), name.size())) {
          rows.push_back(db.DirectoryPath(node) + std::string(entry->NameView()));
        }
      }
    }
    return rows;
  }
};

}  // namespace

TEST_F(SearchDifferential, EveryPatternGivesTheRowsOfAWalkOverEveryChainAfterRandomChanges) {
  // A wide tree: 2,000 directories, some with dozens of names and five with
  // hundreds, so that summaries of every kind occur.
  Build({"C:\\"});
  std::vector<std::string> directories{"C:\\"};
  for (int i = 0; i < 2000; ++i) {
    const std::string path = directories[Below(directories.size())] + RandomName() + std::to_string(i);
    host.MakeDirectory(path);
    db.AddDirectory(path);
    directories.push_back(path + "\\");
  }
  for (int i = 0; i < 12000; ++i) {
    // A quarter of the names go to five directories, another quarter to a
    // tenth of them.
    const size_t share = Below(4);
    const std::string& directory = share == 0   ? directories[1 + Below(5)]
                                   : share == 1 ? directories[Below(directories.size() / 10)]
                                                : directories[Below(directories.size())];
    const std::string path = directory + RandomName();
    host.MakeFile(path);
    db.AddFile(path);
  }

  size_t compared = 0, withRows = 0;
  for (int round = 0; round < 24; ++round) {
    TTreeLists lists = Lists();
    if (round == 12) {
      // Most directories go at once: the summaries' holes are closed up.
      for (size_t i = 1; i < lists.Directories.size(); i += 2) {
        const std::string path = lists.Directories[i].substr(0, lists.Directories[i].size() - 1);
        host.Remove(path);
        db.DeleteDirectory(path);
      }
      lists = Lists();
    }
    for (int change = 0; change < 250; ++change) {
      // Now and then a name from one of the long chains goes, and the
      // directory is searched at once.
      if (change % 10 == 0 && !lists.Files.empty()) {
        const std::string& path = lists.Files[Below(std::min<size_t>(lists.Files.size(), 4000))];
        host.Remove(path);
        db.DeleteFiles(path);
        // Every name left in that directory, at once.
        const std::string everything = Parent(path + "\\") + "*";
        db.Search(everything);
        ASSERT_EQ(Rows(), ReferenceRows(everything)) << "round " << round << ", after deleting " << path;
      }
      RandomChange(lists);
      if (change % 50 == 49) lists = Lists();
    }
    lists = Lists();
    for (int query = 0; query < 150; ++query) {
      const std::string pattern = RandomPattern(lists);
      db.Search(pattern);
      const std::vector<std::string> expected = ReferenceRows(pattern);
      ASSERT_EQ(Rows(), expected) << "round " << round << ", pattern " << pattern;
      ++compared;
      withRows += expected.empty() ? 0 : 1;
    }
    ASSERT_EQ(Inconsistency(), "") << "round " << round;
  }
  // The patterns must mostly find something, or the comparison proves little.
  EXPECT_EQ(compared, 24u * 150u);
  EXPECT_GT(withRows, compared / 2);
}
