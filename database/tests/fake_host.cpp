#include "fake_host.h"

#include <unistd.h>

#include <cstdio>

#include <mutex>

#include "exceptions.h"

namespace {

class TRecursiveLock : public TDatabaseLock {
 public:
  explicit TRecursiveLock(std::atomic<int>& held) : held_(held) {}
  void Enter() override {
    mutex_.lock();
    ++held_;
  }
  void Leave() override {
    --held_;
    mutex_.unlock();
  }

 private:
  std::recursive_mutex mutex_;
  std::atomic<int>& held_;
};

std::string Upper(std::string text) {
  UpperCaseAnsi(text);
  return text;
}

std::vector<std::string> SplitPath(const std::string& path) {
  std::vector<std::string> parts;
  std::string part;
  for (char c : path) {
    if (c == '\\') {
      parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  if (!part.empty()) parts.push_back(part);
  return parts;
}

class TFakeEnumeration : public TDirectoryEnumeration {
 public:
  TFakeEnumeration(const TFakeHost::Node& directory, int& openCount)
      : directory_(directory), openCount_(openCount) {
    ++openCount_;
  }
  ~TFakeEnumeration() override { --openCount_; }

  bool Next(TFoundEntry& entry) override {
    // A real enumeration lists "." and ".." first.
    if (position_ < 2) {
      entry.Name = position_ == 0 ? "." : "..";
      entry.Attributes = kAttributeDirectory;
      entry.SizeLow = 0;
      ++position_;
      return true;
    }
    const size_t index = position_ - 2;
    if (index >= directory_.Children.size()) return false;
    const TFakeHost::Node& child = *directory_.Children[index];
    entry.Name = child.Name;
    entry.Attributes = child.Attributes;
    entry.SizeLow = child.Size;
    ++position_;
    return true;
  }

 private:
  const TFakeHost::Node& directory_;
  int& openCount_;
  size_t position_ = 0;
};

}  // namespace

void UpperCaseAnsi(std::string& text) {
  for (char& c : text) {
    const unsigned char b = static_cast<unsigned char>(c);
    unsigned char u = b;
    if (b >= 'a' && b <= 'z') u = b - 32;
    else if (b >= 0xE0 && b <= 0xFE && b != 0xF7) u = b - 32;
    else if (b == 0x9A || b == 0x9C || b == 0x9E) u = b - 16;
    else if (b == 0xFF) u = 0x9F;
    c = static_cast<char>(u);
  }
}

TFakeHost::TFakeHost() = default;

void TFakeHost::DefineDrive(char letter, unsigned type, bool answersFreeSpace) {
  Drive& drive = drives_[static_cast<char>(Upper(std::string(1, letter))[0])];
  drive.Type = type;
  drive.AnswersFreeSpace = answersFreeSpace;
  drive.Root = std::make_unique<Node>();
  drive.Root->Name = std::string(1, letter) + ":";
  drive.Root->Attributes = kAttributeDirectory;
}

TFakeHost::Node* TFakeHost::Walk(const std::string& path, bool create, bool lastIsDirectory) {
  const std::vector<std::string> parts = SplitPath(path);
  if (parts.empty() || parts[0].size() != 2 || parts[0][1] != ':') return nullptr;
  auto drive = drives_.find(Upper(parts[0])[0]);
  if (drive == drives_.end()) return nullptr;
  Node* node = drive->second.Root.get();
  for (size_t i = 1; i < parts.size(); ++i) {
    Node* next = nullptr;
    // The spelling itself first, then any other case, as Wine looks names
    // up; a new last name of another case is made beside its twin.
    for (auto& child : node->Children) {
      if (child->Name == parts[i]) {
        next = child.get();
        break;
      }
    }
    const bool makesTwin = create && i + 1 == parts.size();
    for (auto& child : node->Children) {
      if (next || makesTwin) break;
      if (Upper(child->Name) == Upper(parts[i])) next = child.get();
    }
    if (!next) {
      if (!create) return nullptr;
      node->Children.push_back(std::make_unique<Node>());
      next = node->Children.back().get();
      next->Name = parts[i];
      const bool last = i + 1 == parts.size();
      next->Attributes = (!last || lastIsDirectory) ? kAttributeDirectory : 0;
    }
    node = next;
  }
  return node;
}

TFakeHost::Node& TFakeHost::MakeDirectory(const std::string& path, uint32_t extraAttributes) {
  Node* node = Walk(path, true, true);
  if (!node) throw std::logic_error("no such drive: " + path);
  node->Attributes |= kAttributeDirectory | extraAttributes;
  return *node;
}

TFakeHost::Node& TFakeHost::MakeFile(const std::string& path, uint32_t size, uint32_t attributes) {
  Node* node = Walk(path, true, false);
  if (!node) throw std::logic_error("no such drive: " + path);
  node->Size = size;
  node->Attributes = attributes;
  return *node;
}

TFakeHost::Node* TFakeHost::Find(const std::string& path) { return Walk(path, false, false); }

bool TFakeHost::Remove(const std::string& path) {
  const size_t cut = path.find_last_of('\\');
  if (cut == std::string::npos) return false;
  Node* parent = Walk(path.substr(0, cut), false, true);
  if (!parent) return false;
  const std::string spelling = path.substr(cut + 1);
  const std::string name = Upper(spelling);
  for (auto it = parent->Children.begin(); it != parent->Children.end(); ++it) {
    if ((*it)->Name == spelling) {
      parent->Children.erase(it);
      return true;
    }
  }
  for (auto it = parent->Children.begin(); it != parent->Children.end(); ++it) {
    if (Upper((*it)->Name) == name) {
      parent->Children.erase(it);
      return true;
    }
  }
  return false;
}

std::unique_ptr<TDatabaseLock> TFakeHost::CreateLock() {
  return std::make_unique<TRecursiveLock>(LocksHeld);
}

unsigned TFakeHost::DriveType(const std::string& rootPath) {
  ++DriveTypeQueries;
  if (auto other = OtherRootTypes.find(rootPath); other != OtherRootTypes.end()) return other->second;
  if (rootPath.size() != 3 || rootPath[1] != ':' || rootPath[2] != '\\') return 1;
  auto drive = drives_.find(Upper(rootPath)[0]);
  return drive == drives_.end() ? 1 : drive->second.Type;
}

bool TFakeHost::DiskFreeSpace(const std::string& rootPath, TDiskSpace& space) {
  if (rootPath.size() != 3) return false;
  auto drive = drives_.find(Upper(rootPath)[0]);
  if (drive == drives_.end() || !drive->second.AnswersFreeSpace) return false;
  auto own = SpaceOfDrive.find(drive->first);
  space = own == SpaceOfDrive.end() ? SpaceOf : own->second;
  return true;
}

std::unique_ptr<TDirectoryEnumeration> TFakeHost::FindFirst(const std::string& pattern) {
  FindPatterns.push_back(pattern);
  const std::string suffix = "\\*.*";
  if (pattern.size() < suffix.size() ||
      pattern.compare(pattern.size() - suffix.size(), suffix.size(), suffix) != 0) {
    return nullptr;
  }
  Node* directory = Walk(pattern.substr(0, pattern.size() - suffix.size()), false, true);
  if (!directory || !(directory->Attributes & kAttributeDirectory) || directory->Unreadable) {
    return nullptr;
  }
  return std::make_unique<TFakeEnumeration>(*directory, OpenEnumerations);
}

uint32_t TFakeHost::FileAttributes(const std::string& path) {
  Node* node = Find(path);
  return node ? node->Attributes : kInvalidAttributes;
}

void TFakeHost::UpperCase(std::string& text) { UpperCaseAnsi(text); }

int32_t TFakeHost::ReadSettingInteger(const char* name) {
  auto it = Settings.find(name);
  if (it == Settings.end()) throw ERegistry(std::string("missing setting ") + name);
  return it->second;
}

void TFakeHost::WriteSettingInteger(const char* name, int32_t value) {
  if (FailSettingWrites) throw ERegistry(std::string("cannot write ") + name);
  Settings[name] = value;
}

void TFakeHost::ProcessMessages() {
  ++MessagesProcessed;
  if (OnProcessMessages) OnProcessMessages();
}

bool TFakeHost::WriteWholeFile(const std::string& path, const uint8_t* data, size_t size) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  const size_t wanted = FailWholeFileWrite ? size / 2 : size;
  bool written = std::fwrite(data, 1, wanted, file) == wanted && !FailWholeFileWrite;
  written = std::fflush(file) == 0 && written;
  written = fsync(fileno(file)) == 0 && written;
  return std::fclose(file) == 0 && written;
}

bool TFakeHost::RenameOver(const std::string& source, const std::string& target) {
  return !FailReplace && std::rename(source.c_str(), target.c_str()) == 0;
}

bool TFakeHost::RemoveFile(const std::string& path) { return std::remove(path.c_str()) == 0; }
