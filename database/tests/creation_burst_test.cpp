// Many creations in one directory, mixed with re-reported files, deletions,
// renames in, out and within it, searches (which resize its name summary),
// moves of the directory itself and a save and load, against a model of
// each file chain (newest first). A creation that the tree wrongly took for
// new would leave a second entry of its name; one wrongly taken for a
// duplicate would leave none.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "temp_directory.h"
#include "tree_fixture.h"

namespace {

using TChain = std::vector<std::string>;

class CreationBurst : public TreeFixture {
 protected:
  CreationBurst() { Build({"C:\\BIG\\", "C:\\OTHER\\", "C:\\ELSEWHERE\\"}); }

  // A pool small enough that names come back often, with short names, names
  // without an extension and names sharing their ends.
  std::string PoolName() {
    const unsigned n = Below(2500);
    switch (n % 4) {
      case 0: return std::to_string(n % 60);
      case 1: return "F" + std::to_string(n) + ".TXT";
      case 2: return "SETUP" + std::to_string(n) + ".DLL";
      default: return "README" + std::to_string(n);
    }
  }
  unsigned Below(unsigned n) { return std::uniform_int_distribution<unsigned>(0, n - 1)(random_); }

  static void Forget(TChain& chain, const std::string& name) {
    const auto at = std::find(chain.begin(), chain.end(), name);
    if (at != chain.end()) chain.erase(at);
  }
  static bool Holds(const TChain& chain, const std::string& name) {
    return std::find(chain.begin(), chain.end(), name) != chain.end();
  }

  void Create(const std::string& directory, TChain& chain, const std::string& name) {
    db.AddFile(directory + name);
    if (!Holds(chain, name)) chain.insert(chain.begin(), name);
  }
  void Delete(const std::string& name) {
    db.DeleteFiles(big_ + name);
    Forget(bigChain_, name);
  }
  // A file rename as the monitor reports it: after the fact, on disk.
  void RenameFile(const std::string& fromDirectory, TChain& from, const std::string& oldName,
                  const std::string& toDirectory, TChain& to, const std::string& newName) {
    host.MakeFile(toDirectory + newName);
    db.RenamePath(fromDirectory + oldName, toDirectory + newName);
    if (!Holds(from, oldName)) return;
    Forget(from, oldName);
    Forget(to, newName);
    to.insert(to.begin(), newName);
  }
  void MoveBigDirectory() {
    const std::string moved = big_ == "C:\\BIG\\" ? "C:\\ELSEWHERE\\LARGE\\" : "C:\\BIG\\";
    host.MakeDirectory(moved);
    db.RenamePath(big_.substr(0, big_.size() - 1), moved.substr(0, moved.size() - 1));
    big_ = moved;
  }
  void ExpectChains(int step) {
    ASSERT_EQ(FilesOf(big_), bigChain_) << "step " << step;
    ASSERT_EQ(FilesOf("C:\\OTHER\\"), otherChain_) << "step " << step;
  }

  std::mt19937 random_{9601};
  std::string big_ = "C:\\BIG\\";
  TChain bigChain_;
  TChain otherChain_;
};

}  // namespace

TEST_F(CreationBurst, EveryCreationIsAddedExactlyOnceWhateverHappenedToTheDirectory) {
  TTempDirectory folder("creation-burst");
  db.FileName = folder.File("memdb.dat");
  const std::string other = "C:\\OTHER\\";
  for (int step = 0; step < 24000; ++step) {
    const unsigned kind = Below(100);
    if (kind < 62) {
      Create(big_, bigChain_, PoolName());
    } else if (kind < 74) {
      Delete(PoolName());
    } else if (kind < 82) {
      RenameFile(big_, bigChain_, PoolName(), big_, bigChain_, PoolName());
    } else if (kind < 88) {
      RenameFile(other, otherChain_, PoolName(), big_, bigChain_, PoolName());
    } else if (kind < 94) {
      RenameFile(big_, bigChain_, PoolName(), other, otherChain_, PoolName());
    } else if (kind < 98) {
      Create(other, otherChain_, PoolName());
    } else if (step % 3 == 0) {
      // Resizes the summaries of the directories it reads.
      const std::string patterns[] = {"*.TXT", "SETUP*", "*1*", PoolName()};
      db.Search(patterns[Below(4)]);
    } else if (step % 5 == 0) {
      MoveBigDirectory();
    }
    if (step % 6000 == 3000) {
      ASSERT_TRUE(db.SaveToFile());
      ASSERT_TRUE(db.LoadFromFile(db.FileName));
      // The file holds each chain front to back and the load puts each name
      // in front of those before it.
      std::reverse(bigChain_.begin(), bigChain_.end());
      std::reverse(otherChain_.begin(), otherChain_.end());
    }
    if (step % 250 == 0) {
      ExpectChains(step);
      if (HasFatalFailure()) return;
    }
  }
  ExpectChains(-1);
  if (HasFatalFailure()) return;
  EXPECT_GT(bigChain_.size(), 1000u) << "the directory should have grown large";
  EXPECT_EQ(Inconsistency(), "");
}
