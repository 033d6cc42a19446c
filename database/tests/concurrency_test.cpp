// The driver-link thread applying changes while the user-interface thread
// searches and reads rows: run under ThreadSanitizer and AddressSanitizer,
// it catches a missing lock, a row left on a freed record, a torn list.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "fake_host.h"
#include "memory_db.h"
#include "tree_fixture.h"

namespace {

// A host that both threads may ask at once: no counters, no stored disk.
// Whether a path exists, and as what, follows from its text: a name that
// starts with D is a directory, with F a file, and one path in five has
// gone again by the time it is asked about.
class TSharedHost : public TFakeHost {
 public:
  unsigned DriveType(const std::string& root) override {
    return root == "C:\\" || root == "c:\\" ? kDriveFixed : 2;
  }
  uint32_t FileAttributes(const std::string& path) override {
    size_t hash = 0;
    for (char c : path) hash = hash * 131 + static_cast<unsigned char>(c);
    if (hash % 5 == 0) return kInvalidAttributes;
    const size_t cut = path.rfind('\\');
    const char first = cut + 1 < path.size() ? path[cut + 1] : '\0';
    return first == 'D' || first == 'd' ? kAttributeDirectory : 0;
  }
};

int StressOperations() {
  // A longer run on demand, for hunting; the default keeps the suite quick
  // under ThreadSanitizer on two cores.
  if (const char* text = std::getenv("VELKORO_STRESS_OPERATIONS")) return std::atoi(text);
  return 200000;
}

class TChangeStream {
 public:
  explicit TChangeStream(uint32_t seed) : random_(seed) {}

  // A directory path up to three levels below C:, or now and then on a
  // floppy, with or without its trailing backslash.
  std::string Directory() {
    std::string path = random_() % 50 == 0 ? "A:" : "C:";
    for (unsigned depth = random_() % 4; depth > 0; --depth) {
      path += "\\D" + std::to_string(random_() % 6);
    }
    return path;
  }
  std::string File() {
    static const char* const kExtensions[] = {".TXT", ".TMP", ".txt", ""};
    return "F" + std::to_string(random_() % 12) + kExtensions[random_() % 4];
  }

  // Files come and go often; directories are made often and removed or
  // moved seldom, since each removal or move onto another takes a whole
  // subtree: so the tree keeps its size over a long run.
  void ApplyOne(TMemoryDB& db) {
    const unsigned kind = random_() % 100;
    if (kind < 30) {
      db.AddFile(Directory() + "\\" + File());
    } else if (kind < 45) {
      db.DeleteFiles(Directory() + "\\" + File());
    } else if (kind < 50) {
      db.DeleteFiles(Directory() + (random_() % 2 ? "\\*.TMP" : "\\F?*"));
    } else if (kind < 65) {
      db.RenamePath(Directory() + "\\" + File(), Directory() + "\\" + File());
    } else if (kind < 95) {
      db.AddDirectory(Directory() + "\\D" + std::to_string(random_() % 6));
    } else if (kind < 97) {
      db.DeleteDirectory(Directory() + "\\D" + std::to_string(random_() % 6));
    } else {
      db.RenamePath(Directory() + "\\D" + std::to_string(random_() % 6),
                    Directory() + "\\D" + std::to_string(random_() % 6));
    }
  }

 private:
  std::mt19937 random_;
};

// Three levels of six directories each below C:, made through the change
// operations (those already there are left as they are).
void MakeDirectories(TMemoryDB& db) {
  std::vector<std::string> level{"C:"};
  for (int depth = 1; depth <= 3; ++depth) {
    std::vector<std::string> deeper;
    for (const std::string& path : level) {
      for (int d = 0; d < 6; ++d) {
        deeper.push_back(path + "\\D" + std::to_string(d));
        db.AddDirectory(deeper.back());
      }
    }
    level.swap(deeper);
  }
}

}  // namespace

TEST(Concurrency, ChangesWhileSearchingKeepEveryRowSound) {
  TSharedHost host;
  TMemoryDB db(host);
  // A starting tree as a scan would leave it, so the first searches have
  // rows to lose: the drive root and three levels of directories.
  db.DirList->AddNode("C:", nullptr);
  MakeDirectories(db);
  TChangeStream setup(1);
  for (int i = 0; i < 5000; ++i) setup.ApplyOne(db);

  const int operations = StressOperations();
  std::atomic<bool> done{false};
  std::string changeThreadProblem;

  std::thread driverLink([&] {
    TChangeStream changes(2);
    for (int i = 1; i <= operations; ++i) {
      changes.ApplyOne(db);
      // Now and then a whole tree comes back, as when a program is unpacked,
      // so that subtree removals keep finding subtrees.
      if (i % 5000 == 0) MakeDirectories(db);
      if (i % 20000 == 0 && changeThreadProblem.empty()) {
        changeThreadProblem = TreeInconsistency(db);
      }
    }
    done = true;
  });

  // The user-interface thread: search, size the grid, draw rows.
  static const char* const kPatterns[] = {"*.TXT", "C:\\D1\\*", "F1*", "C:\\D2\\D3\\*.TMP",
                                          "*", "c:\\d0\\f?.txt", "A:\\*", ""};
  std::mt19937 random(3);
  int searches = 0;
  int badRows = 0;
  while (!done) {
    db.Search(kPatterns[random() % (sizeof(kPatterns) / sizeof(kPatterns[0]))]);
    ++searches;
    const int count = db.ResultCount();
    for (int draw = 0; draw < 20 && count > 0; ++draw) {
      const int row = static_cast<int>(random() % (count + 2)) - 1;  // a few outside
      const std::string full = db.ResultFullPath(row);
      const std::string directory = db.ResultDirectory(row);
      const std::string name = db.ResultFileName(row);
      const bool outside = row < 0 || row >= count;
      const bool cleared = full == "File Deleted";
      if (outside) {
        badRows += !(full.empty() && directory.empty() && name.empty());
      } else if (!cleared) {
        // Read one at a time, the three may see different moments; each
        // must still be a well-formed answer.
        badRows += full.empty() || name.empty();
      }
    }
  }
  driverLink.join();

  EXPECT_EQ(changeThreadProblem, "");
  EXPECT_EQ(badRows, 0);
  EXPECT_GT(searches, 0);
  EXPECT_EQ(TreeInconsistency(db), "");
  // After the storm: every cleared row reads as deleted, every live one as
  // its directory followed by its name.
  for (int row = 0; row < db.ResultCount(); ++row) {
    if (!db.ResultFiles[row]) {
      EXPECT_EQ(db.ResultFullPath(row), "File Deleted");
      EXPECT_EQ(db.ResultFileName(row), "File Deleted");
      EXPECT_EQ(db.ResultDirectory(row), "");
    } else {
      EXPECT_EQ(db.ResultFullPath(row), db.ResultDirectory(row) + db.ResultFileName(row));
    }
  }
}
