// The name search and its result rows.
#include <algorithm>

#include "memory_db.h"
#include "wildcard_pattern.h"

namespace {

const char kFileDeleted[] = "File Deleted";

void MatchDirectory(TDirectoryRecord* node, const TWildcardPattern& pattern,
                    std::vector<TFileRecord*>& files, std::vector<TDirectoryRecord*>& dirs) {
  for (TFileRecord* entry = node->Files; entry; entry = entry->Next) {
    if (pattern.Matches(entry->Name, entry->Length)) {
      files.push_back(entry);
      dirs.push_back(node);
    }
  }
}

}  // namespace

bool TMemoryDB::WildcardMatch(const char* name, const char* pattern, size_t nameLength,
                              size_t patternLength) {
  return WildcardBytesMatch(name, nameLength, pattern, patternLength);
}

void TMemoryDB::Search(const std::string& pattern) {
  if (!IsFixedDrivePath(pattern)) return;
  TLockGuard guard(*Lock);

  std::string namePart;
  TDirectoryRecord* start = nullptr;
  if (pattern.find('\\') != std::string::npos) {
    ResolvePath(pattern, namePart, start);
  } else {
    namePart = pattern;
    Host.UpperCase(namePart);
  }

  // Fresh lists: the old ones are freed, never reused.
  std::vector<TFileRecord*>().swap(ResultFiles);
  std::vector<TDirectoryRecord*>().swap(ResultDirs);
  resultIndex_.Forget();

  const TWildcardPattern matcher(namePart);
  if (!start) {
    for (TDirectoryRecord* node = DirList->FirstNode(); node; node = node->Next) {
      MatchDirectory(node, matcher, ResultFiles, ResultDirs);
    }
    return;
  }

  // The start directory, then its subdirectories level by level, each level
  // in chain order. The child index gives each level directly; sorting by
  // chain position restores the order a pass over the whole chain would give.
  std::vector<TDirectoryRecord*> level{start};
  std::vector<TDirectoryRecord*> nextLevel;
  while (!level.empty()) {
    for (TDirectoryRecord* node : level) MatchDirectory(node, matcher, ResultFiles, ResultDirs);
    nextLevel.clear();
    for (TDirectoryRecord* node : level) {
      for (TDirectoryRecord* child = DirList->FirstChild(node); child;
           child = DirList->NextSibling(child)) {
        nextLevel.push_back(child);
      }
    }
    std::sort(nextLevel.begin(), nextLevel.end(),
              [](const TDirectoryRecord* a, const TDirectoryRecord* b) {
                return TDDList::ChainPosition(a) < TDDList::ChainPosition(b);
              });
    level.swap(nextLevel);
  }
}

int TMemoryDB::ResultCount() const { return static_cast<int>(ResultFiles.size()); }

// A row outside the result is answered with empty text, like the empty
// result: the grid never asks for one, and no answer could be more useful.

std::string TMemoryDB::ResultFullPath(int row) {
  TLockGuard guard(*Lock);
  if (row < 0 || static_cast<size_t>(row) >= ResultFiles.size()) return std::string();
  const TFileRecord* entry = ResultFiles[row];
  const TDirectoryRecord* node = ResultDirs[row];
  if (!entry || !node) return kFileDeleted;
  std::string path = DirectoryPath(node);
  path.append(entry->NameView());
  return path;
}

std::string TMemoryDB::ResultDirectory(int row) {
  TLockGuard guard(*Lock);
  if (row < 0 || static_cast<size_t>(row) >= ResultDirs.size()) return std::string();
  const TDirectoryRecord* node = ResultDirs[row];
  return node ? DirectoryPath(node) : std::string();
}

std::string TMemoryDB::ResultFileName(int row) {
  TLockGuard guard(*Lock);
  if (row < 0 || static_cast<size_t>(row) >= ResultFiles.size()) return std::string();
  const TFileRecord* entry = ResultFiles[row];
  return entry ? std::string(entry->NameView()) : std::string(kFileDeleted);
}
