// The monitor's records applied to a model of the program's database (the
// same rules: a file is added only under a known directory, a rename only
// while its new name exists, a wildcard delete only of entries whose files
// are gone) must leave the model equal to the real folders after every
// scenario, whatever the order and speed of the changes.
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>

#include "monitor_protocol.h"
#include "monitor_session.h"

namespace fs = std::filesystem;
namespace mp = monitor_protocol;

namespace {

// Keys are "ROOT:relative/path"; a folder itself is "ROOT:".
std::string Key(int root, const std::string& relative) { return std::to_string(root) + ":" + relative; }

std::string ParentKey(const std::string& key) {
  const size_t slash = key.rfind('/');
  if (slash != std::string::npos) return key.substr(0, slash);
  return key.substr(0, key.find(':') + 1);
}

std::string LastName(const std::string& key) {
  const size_t slash = key.rfind('/');
  return key.substr(slash == std::string::npos ? key.find(':') + 1 : slash + 1);
}

bool Below(const std::string& key, const std::string& top) {
  return key == top || key.compare(0, top.size() + 1, top + "/") == 0;
}

struct TPicture {
  std::set<std::string> Directories;
  std::set<std::string> Files;
  bool operator==(const TPicture& other) const {
    return Directories == other.Directories && Files == other.Files;
  }
};

std::ostream& operator<<(std::ostream& out, const TPicture& picture) {
  for (const auto& directory : picture.Directories) out << "  dir  " << directory << "\n";
  for (const auto& file : picture.Files) out << "  file " << file << "\n";
  return out;
}

// What the database's scan would record from the folders: every name that
// does not begin with "."; a link to a directory is a directory, not entered.
TPicture DiskPicture(const std::vector<std::string>& folders) {
  TPicture picture;
  for (size_t root = 0; root < folders.size(); ++root) {
    picture.Directories.insert(Key(static_cast<int>(root), ""));
    std::vector<std::string> pending{""};
    while (!pending.empty()) {
      const std::string relative = pending.back();
      pending.pop_back();
      for (const auto& entry : fs::directory_iterator(folders[root] + "/" + relative)) {
        const std::string name = entry.path().filename();
        if (name[0] == '.') continue;
        const std::string child = relative.empty() ? name : relative + "/" + name;
        std::error_code error;
        if (entry.is_symlink()) {
          if (fs::is_directory(entry.path(), error)) {
            picture.Directories.insert(Key(static_cast<int>(root), child));
          } else {
            picture.Files.insert(Key(static_cast<int>(root), child));
          }
        } else if (entry.is_directory()) {
          picture.Directories.insert(Key(static_cast<int>(root), child));
          pending.push_back(child);
        } else {
          picture.Files.insert(Key(static_cast<int>(root), child));
        }
      }
    }
  }
  return picture;
}

// The database's change operations, on the picture, with their disk checks.
class TDatabaseModel {
 public:
  TDatabaseModel(std::vector<std::string> folders, TPicture start)
      : folders_(std::move(folders)), picture_(std::move(start)) {}

  const TPicture& Picture() const { return picture_; }

  void Apply(const TMonitorRecord& record) {
    const std::string key = Key(record.Root, record.Path);
    switch (record.EventCode) {
      case mp::kFileCreated:
        if (picture_.Directories.count(ParentKey(key))) picture_.Files.insert(key);
        break;
      case mp::kFileDeleted: DeleteFiles(key); break;
      case mp::kDirectory:
        if (record.SubCode == mp::kDirectoryCreated) {
          picture_.Directories.insert(key);
        } else {
          RemoveSubtree(key);
        }
        break;
      case mp::kRenamed: Rename(key, Key(record.Root, record.NewPath)); break;
      default: ADD_FAILURE() << "unexpected event code " << int(record.EventCode);
    }
  }

 private:
  std::string HostPath(const std::string& key) const {
    const size_t colon = key.find(':');
    return folders_[std::stoi(key.substr(0, colon))] + "/" + key.substr(colon + 1);
  }

  void DeleteFiles(const std::string& key) {
    const std::string pattern = LastName(key);
    if (pattern.find_first_of("*?") == std::string::npos) {
      picture_.Files.erase(key);
      return;
    }
    const std::string parent = ParentKey(key);
    for (auto it = picture_.Files.begin(); it != picture_.Files.end();) {
      struct stat entry;
      const bool fileThere = stat(HostPath(*it).c_str(), &entry) == 0 && !S_ISDIR(entry.st_mode);
      if (ParentKey(*it) == parent && fnmatch(pattern.c_str(), LastName(*it).c_str(), 0) == 0 && !fileThere) {
        it = picture_.Files.erase(it);
      } else {
        ++it;
      }
    }
  }

  void RemoveSubtree(const std::string& top) {
    for (auto* set : {&picture_.Directories, &picture_.Files}) {
      for (auto it = set->begin(); it != set->end();) it = Below(*it, top) ? set->erase(it) : std::next(it);
    }
  }

  void Rename(const std::string& from, const std::string& to) {
    struct stat target;
    if (stat(HostPath(to).c_str(), &target) != 0) return;  // gone again: ignored
    if (S_ISDIR(target.st_mode)) {
      if (from == to) return;
      RemoveSubtree(to);
      if (!picture_.Directories.count(from)) return;
      for (auto* set : {&picture_.Directories, &picture_.Files}) {
        std::set<std::string> moved;
        for (auto it = set->begin(); it != set->end();) {
          if (Below(*it, from)) {
            moved.insert(to + it->substr(from.size()));
            it = set->erase(it);
          } else {
            ++it;
          }
        }
        set->insert(moved.begin(), moved.end());
      }
      return;
    }
    if (!picture_.Directories.count(ParentKey(from)) || !picture_.Files.erase(from)) return;
    if (!picture_.Directories.count(ParentKey(to))) return;
    picture_.Files.insert(to);
  }

  std::vector<std::string> folders_;
  TPicture picture_;
};

class MonitorModelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char scratch[] = "/tmp/velkoro-monitor-model-XXXXXX";
    ASSERT_TRUE(mkdtemp(scratch));
    scratch_ = scratch;
    for (const char* name : {"drive", "drive2", "outside"}) fs::create_directory(scratch_ + "/" + name);
    folders_ = {scratch_ + "/drive", scratch_ + "/drive2"};
  }

  void TearDown() override {
    if (session_) {
      EXPECT_TRUE(session_->Stop(5000)) << "the monitor did not end when the driver let go";
    }
    session_.reset();
    fs::remove_all(scratch_);
  }

  std::string Drive(const std::string& relative = "") const { return folders_[0] + "/" + relative; }
  std::string Drive2(const std::string& relative = "") const { return folders_[1] + "/" + relative; }
  std::string Outside(const std::string& relative = "") const { return scratch_ + "/outside/" + relative; }

  static void Touch(const std::string& path) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0) << path;
    close(fd);
  }
  static void MakeDirs(const std::string& path) { fs::create_directories(path); }
  static void Move(const std::string& from, const std::string& to) {
    ASSERT_EQ(rename(from.c_str(), to.c_str()), 0) << from << " -> " << to;
  }

  // The drives as they are now are what the database holds from its scan.
  void StartMonitor() {
    session_ = std::make_unique<TMonitorSession>(folders_);
    model_ = std::make_unique<TDatabaseModel>(folders_, DiskPicture(folders_));
  }

  bool ReadUntil(int timeoutMs, const std::function<bool()>& done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    TMonitorRecord record;
    while (!done()) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
      if (left.count() <= 0) return false;
      if (!session_->Next(record, static_cast<int>(left.count()))) continue;
      log_.push_back(record);
      model_->Apply(record);
    }
    return true;
  }

  // A marker file made and removed in every folder: once the model has seen
  // both in each, every change made before has been reported.
  void Settle(int timeoutMs = 20000) {
    ++settles_;
    for (size_t root = 0; root < folders_.size(); ++root) {
      const std::string name = "zz-settled-" + std::to_string(settles_);
      const std::string key = Key(static_cast<int>(root), name);
      Touch(folders_[root] + "/" + name);
      ASSERT_TRUE(ReadUntil(timeoutMs, [&] { return model_->Picture().Files.count(key) > 0; }))
          << "no record of the marker in folder " << root << "\n" << session_->Diagnostics();
      unlink((folders_[root] + "/" + name).c_str());
      ASSERT_TRUE(ReadUntil(timeoutMs, [&] { return model_->Picture().Files.count(key) == 0; }));
    }
  }

  void ExpectModelEqualsDisk() {
    const TPicture disk = DiskPicture(folders_);
    if (model_->Picture() == disk) return;
    std::ostringstream records;
    for (const TMonitorRecord& record : log_) {
      records << "  " << int(record.EventCode) << "/" << int(record.SubCode) << " " << record.Root << ":"
              << record.Path << (record.NewPath.empty() ? "" : " -> " + record.NewPath) << "\n";
    }
    ADD_FAILURE() << "model:\n" << model_->Picture() << "disk:\n" << disk << "records:\n" << records.str();
  }

  void ExpectNoRecordMentions(const std::string& text) {
    for (const TMonitorRecord& record : log_) {
      EXPECT_EQ(record.Path.find(text), std::string::npos) << "a record names " << record.Path;
      EXPECT_EQ(record.NewPath.find(text), std::string::npos) << "a record names " << record.NewPath;
    }
  }

  std::string scratch_;
  std::vector<std::string> folders_;
  std::unique_ptr<TMonitorSession> session_;
  std::unique_ptr<TDatabaseModel> model_;
  std::vector<TMonitorRecord> log_;
  int settles_ = 0;
};

TEST_F(MonitorModelTest, FilesCreatedDeletedRenamedAndMovedLinksAndHiddenNames) {
  MakeDirs(Drive("docs"));
  MakeDirs(Drive("old"));
  MakeDirs(Outside("target"));
  for (const char* name : {"docs/a.txt", "docs/b.txt", "docs/f.txt", "keep.txt"}) Touch(Drive(name));
  StartMonitor();

  for (int i = 0; i < 20; ++i) Touch(Drive("docs/new" + std::to_string(i)));
  MakeDirs(Drive("x/y/z"));
  Touch(Drive("x/y/z/deep.txt"));
  unlink(Drive("docs/a.txt").c_str());
  Move(Drive("docs/b.txt"), Drive("docs/c.txt"));    // renamed in place
  Move(Drive("docs/f.txt"), Drive("docs/f.tmp"));    // renamed twice, as editors save:
  Move(Drive("docs/f.tmp"), Drive("docs/f.bak"));    // f.tmp is gone when the first applies
  Move(Drive("keep.txt"), Drive("x/y/keep.txt"));    // moved between directories
  Touch(Drive("docs/d.txt"));
  Touch(Drive("docs/e.txt"));
  Move(Drive("docs/d.txt"), Drive("docs/e.txt"));    // onto an existing file
  fs::remove(Drive("old"));
  // A link to a directory is a directory, never entered; a dangling one a file.
  fs::create_directory_symlink(Outside("target"), Drive("link"));
  Touch(Outside("target/behind-link.txt"));
  fs::create_symlink(Outside("nothing"), Drive("dangling"));
  // Hidden names are out of sight; a move across the line is a creation or
  // a removal.
  MakeDirs(Drive(".hidden"));
  Touch(Drive(".hidden/h.txt"));
  Touch(Drive(".dotfile"));
  Move(Drive("docs/new0"), Drive("docs/.new0"));
  Move(Drive(".dotfile"), Drive("docs/visible"));
  Move(Drive(".hidden"), Drive("unhidden"));

  Settle();
  ExpectModelEqualsDisk();
  ExpectNoRecordMentions("behind-link");
  ExpectNoRecordMentions(".hidden");
  ExpectNoRecordMentions(".new0");
}

TEST_F(MonitorModelTest, DirectoriesRenamedMovedInMovedOutAndBetweenFolders) {
  MakeDirs(Drive("proj/src"));
  MakeDirs(Drive("proj/doc"));
  Touch(Drive("proj/src/main.c"));
  Touch(Drive("proj/doc/readme"));
  MakeDirs(Outside("incoming/sub"));
  for (int i = 0; i < 5; ++i) Touch(Outside("incoming/sub/f" + std::to_string(i)));
  Touch(Outside("incoming/top"));
  MakeDirs(Drive("leaving/inner"));
  Touch(Drive("leaving/inner/l1"));
  StartMonitor();

  Move(Drive("proj"), Drive("project"));
  // Changed inside right after the rename: reported under the new name.
  Touch(Drive("project/src/new.c"));
  MakeDirs(Drive("project/src/deep"));
  Touch(Drive("project/src/deep/d1"));
  Move(Outside("incoming"), Drive("project/incoming"));  // moved in, full
  Touch(Drive("project/incoming/sub/after"));
  Move(Drive("leaving"), Outside("leaving"));             // moved out...
  Touch(Outside("leaving/ghost.txt"));                    // ...and changed: no record
  MakeDirs(Outside("leaving/inner/ghostdir"));
  Move(Drive("project/doc"), Drive2("doc"));              // between two folders
  Touch(Drive2("doc/later"));
  Move(Drive("project/src/deep"), Drive("deep2"));        // between directories
  Touch(Drive("deep2/d2"));

  Settle();
  ExpectModelEqualsDisk();
  ExpectNoRecordMentions("ghost");
  // A tree out of sight gives its watches back: they count against the
  // user's limit, and its changes would still fill the kernel's queue.
  EXPECT_EQ(session_->Watches(), static_cast<int>(DiskPicture(folders_).Directories.size()))
      << "watches held against the directories on the drives";
}

TEST_F(MonitorModelTest, NothingLostInTightLoopsAndADeepRemoval) {
  StartMonitor();
  // mkdir -p a/b/c && touch a/b/c/f, again and again.
  for (int i = 0; i < 300; ++i) {
    const std::string top = "t" + std::to_string(i);
    MakeDirs(Drive(top + "/b/c"));
    Touch(Drive(top + "/b/c/f"));
  }
  // Made, filled and moved at once, before the monitor could watch them:
  // the moved directory itself, and one inside a moved directory.
  for (int i = 0; i < 100; ++i) {
    const std::string top = "m" + std::to_string(i);
    MakeDirs(Drive(top + "/a/b"));
    Touch(Drive(top + "/a/b/f"));
    Move(Drive(top + "/a"), Drive(top + "/moved"));
    Move(Drive(top), Drive("n" + std::to_string(i)));
  }
  std::string deep = "deep";
  for (int level = 0; level < 40; ++level) {
    MakeDirs(Drive(deep));
    for (int i = 0; i < 3; ++i) Touch(Drive(deep + "/f" + std::to_string(i)));
    deep += "/l" + std::to_string(level);
  }
  Settle();
  ExpectModelEqualsDisk();

  fs::remove_all(Drive("deep"));  // rm -rf
  for (int i = 0; i < 300; i += 2) fs::remove_all(Drive("t" + std::to_string(i)));
  Settle();
  ExpectModelEqualsDisk();
}

TEST_F(MonitorModelTest, AnOverflowOfTheKernelQueueIsFollowedByConvergence) {
  MakeDirs(Drive("stay"));
  MakeDirs(Drive("goes/below"));
  MakeDirs(Drive("files"));
  for (int i = 0; i < 50; ++i) Touch(Drive("stay/s" + std::to_string(i)));
  for (int i = 0; i < 50; ++i) Touch(Drive("goes/below/g" + std::to_string(i)));
  for (int i = 0; i < 200; ++i) Touch(Drive("files/f" + std::to_string(i)));
  StartMonitor();

  // Nobody reads the records now: the channel fills, the monitor stops
  // reading the kernel's queue, and the queue overflows.
  int queueLimit = 16384;
  std::ifstream("/proc/sys/fs/inotify/max_queued_events") >> queueLimit;
  MakeDirs(Drive("burst"));
  for (int i = 0; i < queueLimit + 6000; ++i) Touch(Drive("burst/b" + std::to_string(i)));
  for (int i = 0; i < 100; ++i) unlink(Drive("files/f" + std::to_string(i)).c_str());
  fs::remove_all(Drive("goes"));
  Move(Drive("stay"), Drive("stayed"));
  Touch(Drive("stayed/after"));

  Settle(60000);
  ExpectModelEqualsDisk();
  EXPECT_NE(session_->Diagnostics().find("overflow"), std::string::npos)
      << "the kernel queue did not overflow; the test proves nothing";
}

}  // namespace
