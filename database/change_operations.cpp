// The change operations: the monitor's reports applied to the tree, with the
// result rows kept pointing at live records only.
//
// A name part that is empty (a path ending in "\") or longer than 255 bytes
// makes an operation do nothing: no file or directory of such a name can
// exist on the platform, and the database file could not store it.
#include "memory_db.h"
#include "wildcard_pattern.h"

namespace {

bool UsableName(const std::string& name) {
  return !name.empty() && name.size() <= kMaxNameLength;
}

// A report concerns the tree only when it names a fixed disk by its drive:
// the drive itself ("C:") or a path on it ("C:\..."). The drive-type query
// alone is not enough: it also answers "fixed" for a rootless text such as
// "\" or "..\" (the current drive), and such a path would otherwise add a
// node at the top level.
bool OnFixedDrive(TMemoryDB& db, const std::string& path) {
  const bool drive = path.size() >= 2 && path[1] == ':' &&
                     ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
  if (!drive) return false;
  if (path.size() == 2) return db.IsFixedDrivePath(path + '\\');
  return path[2] == '\\' && db.IsFixedDrivePath(path);
}

bool HasWildcard(const std::string& name) { return name.find_first_of("*?") != std::string::npos; }

// A reported path split into the node of its directory (nil when a level is
// missing) and its last component.
struct TResolvedPath {
  std::string Name;
  TDirectoryRecord* Parent = nullptr;
};

TResolvedPath Resolve(TMemoryDB& db, const std::string& path) {
  TResolvedPath resolved;
  db.ResolvePath(path, resolved.Name, resolved.Parent);
  return resolved;
}

}  // namespace

void TMemoryDB::AddFile(const std::string& path) {
  if (!OnFixedDrive(*this, path)) return;
  TLockGuard guard(*Lock);
  const auto [name, parent] = Resolve(*this, path);
  if (!parent || !UsableName(name)) return;
  if (DirList->FindEntryBeforeAdding(parent, name)) return;
  DirList->AddEntry(name, parent);
}

void TMemoryDB::DeleteFiles(const std::string& path) {
  if (!OnFixedDrive(*this, path)) return;
  TLockGuard guard(*Lock);
  const auto [name, parent] = Resolve(*this, path);
  if (!parent || !UsableName(name)) return;

  if (!HasWildcard(name)) {
    // Without a wildcard only the entry of exactly this name matches.
    if (TFileRecord* entry = DirList->FindEntry(parent, name)) {
      ClearResultsForEntry(entry);
      DirList->RemoveEntry(entry, parent);
    }
    return;
  }

  const std::string directory = DirectoryPath(parent);
  std::string fullPath;
  for (TFileRecord* entry = DirList->FirstEntry(parent); entry;) {
    if (!WildcardBytesMatch(entry->Name, entry->Length, name.data(), name.size())) {
      entry = entry->Next;
      continue;
    }
    fullPath.assign(directory).append(entry->NameView());
    // A file still there stays. A directory now standing under that name is
    // no file, so the entry goes, as it would under a file-exists test.
    const uint32_t attributes = Host.FileAttributes(fullPath);
    const bool fileExists =
        attributes != kInvalidAttributes && (attributes & kAttributeDirectory) == 0;
    if (fileExists) {
      entry = entry->Next;
      continue;
    }
    ClearResultsForEntry(entry);
    entry = DirList->RemoveEntry(entry, parent);
  }
}

void TMemoryDB::AddDirectory(const std::string& path) {
  if (!OnFixedDrive(*this, path)) return;
  TLockGuard guard(*Lock);
  const auto [name, parent] = Resolve(*this, path);
  if (!UsableName(name)) return;
  if (FindNode(name, parent)) return;
  DirList->AddNode(name, parent);
}

void TMemoryDB::DeleteDirectory(const std::string& path) {
  if (!OnFixedDrive(*this, path)) return;
  TLockGuard guard(*Lock);
  const auto [name, parent] = Resolve(*this, path);
  if (!UsableName(name)) return;
  if (TDirectoryRecord* node = FindNode(name, parent)) RemoveSubtree(node);
}

void TMemoryDB::RemoveSubtree(TDirectoryRecord* top) {
  // Pre-order through the child index, then removal from the bottom up, so
  // that every node goes while it has no children left and no node ever
  // names a freed parent. Each node's rows are cleared before it is freed.
  std::vector<TDirectoryRecord*> subtree{top};
  for (size_t i = 0; i < subtree.size(); ++i) {
    for (TDirectoryRecord* child = DirList->FirstChild(subtree[i]); child;
         child = DirList->NextSibling(child)) {
      subtree.push_back(child);
    }
  }
  for (auto node = subtree.rbegin(); node != subtree.rend(); ++node) {
    ClearResultsForDir(*node);
    DirList->RemoveNode(*node);
  }
}

void TMemoryDB::RenamePath(const std::string& oldPath, const std::string& newPath) {
  if (!OnFixedDrive(*this, oldPath) || !OnFixedDrive(*this, newPath)) return;
  const uint32_t attributes = Host.FileAttributes(newPath);
  if (attributes == kInvalidAttributes) return;
  TLockGuard guard(*Lock);
  if (attributes & kAttributeDirectory) RenameDirectory(oldPath, newPath);
  else RenameFile(oldPath, newPath);
}

void TMemoryDB::RenameDirectory(const std::string& oldPath, const std::string& newPath) {
  const auto [oldName, oldParent] = Resolve(*this, oldPath);
  const auto [newName, newParent] = Resolve(*this, newPath);
  if (!UsableName(newName)) return;
  TDirectoryRecord* source = FindNode(oldName, oldParent);
  TDirectoryRecord* destination = FindNode(newName, newParent);
  // Only the letter case changed: the tree already holds the right name.
  if (source && destination == source) return;

  // The source moves before the destination goes: the source may sit inside
  // the destination's subtree (C:\A\B renamed to C:\A), and must not be freed
  // with it. A move into the source's own subtree cannot have happened on
  // disk; the list refuses it and the report is dropped, leaving the tree as
  // it was rather than cutting the subtree off in a loop.
  if (source && !DirList->MoveNode(source, newName, newParent)) return;
  if (destination) RemoveSubtree(destination);
}

void TMemoryDB::RenameFile(const std::string& oldPath, const std::string& newPath) {
  const auto [oldName, oldParent] = Resolve(*this, oldPath);
  const auto [newName, newParent] = Resolve(*this, newPath);
  if (!oldParent || !UsableName(newName)) return;
  TFileRecord* entry = DirList->FindEntry(oldParent, oldName);
  if (!entry) return;

  // The row is cleared at once and re-pointed only when the new entry
  // exists, so that a failed allocation cannot leave it on a freed entry.
  const int row = resultIndex_.RowOfEntry(ResultFiles, ResultDirs, entry);
  if (row >= 0) {
    ResultFiles[row] = nullptr;
    ResultDirs[row] = nullptr;
  }
  DirList->RemoveEntry(entry, oldParent);
  if (!newParent) return;

  if (TFileRecord* replaced = DirList->FindEntry(newParent, newName)) {
    ClearResultsForEntry(replaced);
    DirList->RemoveEntry(replaced, newParent);
  }
  TFileRecord* moved = DirList->AddEntry(newName, newParent);
  if (row >= 0) {
    ResultFiles[row] = moved;
    ResultDirs[row] = newParent;
    resultIndex_.Repointed(row, moved, newParent);
  }
}
