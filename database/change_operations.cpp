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

uint32_t OfPath(THostSpellingSource* spellings) { return spellings ? spellings->OfPath() : kSpellingsNotKnown; }
uint32_t OfNewPath(THostSpellingSource* spellings) {
  return spellings ? spellings->OfNewPath() : kSpellingsNotKnown;
}

}  // namespace

// Where a name may have twins (names that differ only in case, one stored
// name), the count of host spellings decides; it comes from the monitor for
// a directory the database holds once, and from the file system where twin
// folders are merged in the database's view (twin_spellings.cpp).

void TMemoryDB::AddFile(const std::string& path, THostSpellingSource* spellings) {
  if (!OnFixedDrive(*this, path)) return;
  TLockGuard guard(*Lock);
  TPathPlaces places;
  ResolvePlaces(path, places);
  if (places.Parents.empty() || !UsableName(places.Name)) return;
  if (places.Parents.size() == 1) {
    TDirectoryRecord* parent = places.Parents[0];
    if (!DirList->FindEntryBeforeAdding(parent, places.Name)) {
      DirList->AddEntry(places.Name, parent);
      return;
    }
    // Held already: the same file reported again (a resynchronisation
    // reports every file), or a second spelling.
    const uint32_t spellingsNow = OfPath(spellings);
    if (spellingsNow == 1 && DirList->CountEntries(parent, places.Name) == 1) return;
    SettleEntries(places, spellingsNow);
    return;
  }
  if (CountEntries(places) == 0) {
    DirList->AddEntry(places.Name, places.Parents[0]);
    return;
  }
  SettleEntries(places, HostSpellingsOf(path, places, false));
}

void TMemoryDB::DeleteFiles(const std::string& path, THostSpellingSource* spellings) {
  if (!OnFixedDrive(*this, path)) return;
  TLockGuard guard(*Lock);
  TPathPlaces places;
  ResolvePlaces(path, places);
  const std::string& name = places.Name;
  if (places.Parents.empty() || !UsableName(name)) return;

  if (!HasWildcard(name)) {
    // Without a wildcard only entries of exactly this name match: the one
    // that went, and any twin whose spelling is gone with it.
    if (places.Parents.size() > 1) {
      if (CountEntries(places)) SettleEntries(places, HostSpellingsOf(path, places, false));
      return;
    }
    TDirectoryRecord* parent = places.Parents[0];
    TFileRecord* entry = DirList->FindEntry(parent, name);
    if (!entry) return;
    const uint32_t remaining = OfPath(spellings);
    if (remaining != kSpellingsNotKnown && remaining != 0) {
      SettleEntries(places, remaining);
      return;
    }
    // No spelling left (or no count): the entry goes, and with a count of
    // none, any twin of it that the tree still holds.
    do {
      ClearResultsForEntry(entry);
      DirList->RemoveEntry(entry, parent);
    } while (remaining == 0 && (entry = DirList->FindEntry(parent, name)));
    return;
  }

  for (TDirectoryRecord* parent : places.Parents) DeleteGoneFiles(parent, name);
}

void TMemoryDB::DeleteGoneFiles(TDirectoryRecord* parent, const std::string& name) {
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

void TMemoryDB::AddDirectory(const std::string& path, THostSpellingSource* spellings) {
  if (!OnFixedDrive(*this, path)) return;
  TLockGuard guard(*Lock);
  TPathPlaces places;
  ResolvePlaces(path, places);
  if (!UsableName(places.Name)) return;
  if (places.Parents.empty()) {
    // A parent path the tree does not hold: attached at the top.
    if (!FindNode(places.Name, nullptr)) DirList->AddNode(places.Name, nullptr);
    return;
  }
  std::vector<TDirectoryRecord*> nodes;
  FindNodesOf(places, nodes);
  if (nodes.empty()) {
    DirList->AddNode(places.Name, places.Parents[0]);
    return;
  }
  const uint32_t target =
      places.Parents.size() == 1 ? OfPath(spellings) : HostSpellingsOf(path, places, true);
  if (target == kSpellingsNotKnown || target == nodes.size()) return;
  // A second spelling gets a node of its own; its entries arrive as the
  // monitor reports them (into the first twin, as a path cannot say which).
  if (target > nodes.size()) {
    for (size_t count = nodes.size(); count < target; ++count) DirList->AddNode(places.Name, places.Parents[0]);
    return;
  }
  RewalkTwins(path, places);
}

void TMemoryDB::DeleteDirectory(const std::string& path, THostSpellingSource* spellings) {
  if (!OnFixedDrive(*this, path)) return;
  TLockGuard guard(*Lock);
  TPathPlaces places;
  ResolvePlaces(path, places);
  if (!UsableName(places.Name)) return;
  if (places.Parents.empty()) {
    if (TDirectoryRecord* node = FindNode(places.Name, nullptr)) RemoveSubtree(node);
    return;
  }
  std::vector<TDirectoryRecord*> nodes;
  FindNodesOf(places, nodes);
  if (nodes.empty()) return;
  const uint32_t remaining =
      places.Parents.size() == 1 ? OfPath(spellings) : HostSpellingsOf(path, places, true);
  if (remaining == kSpellingsNotKnown) {
    RemoveSubtree(nodes[0]);
  } else if (remaining == 0) {
    for (TDirectoryRecord* node : nodes) RemoveSubtree(node);
  } else {
    // A twin folder stays: which node was its own cannot be told (a path
    // names either), so every twin goes and the host's are walked again.
    RewalkTwins(path, places);
  }
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

void TMemoryDB::RenamePath(const std::string& oldPath, const std::string& newPath,
                           THostSpellingSource* spellings) {
  if (!OnFixedDrive(*this, oldPath) || !OnFixedDrive(*this, newPath)) return;
  const uint32_t attributes = Host.FileAttributes(newPath);
  if (attributes == kInvalidAttributes) return;
  TLockGuard guard(*Lock);
  if (attributes & kAttributeDirectory) RenameDirectory(oldPath, newPath, spellings);
  else RenameFile(oldPath, newPath, spellings);
}

void TMemoryDB::RenameDirectory(const std::string& oldPath, const std::string& newPath,
                                THostSpellingSource* spellings) {
  TPathPlaces from, to;
  ResolvePlaces(oldPath, from);
  ResolvePlaces(newPath, to);
  if (!UsableName(to.Name)) return;
  std::vector<TDirectoryRecord*> sources, destinations;
  FindNodesOf(from, sources);
  FindNodesOf(to, destinations);
  // Twin folders on either side: which node moved cannot be told, so both
  // names are walked again from the host.
  if (from.Parents.size() > 1 || to.Parents.size() > 1 || sources.size() > 1 || destinations.size() > 1) {
    RewalkTwins(oldPath, from);
    RewalkTwins(newPath, to);
    return;
  }
  TDirectoryRecord* oldParent = from.Parents.empty() ? nullptr : from.Parents[0];
  TDirectoryRecord* newParent = to.Parents.empty() ? nullptr : to.Parents[0];
  const std::string& newName = to.Name;
  TDirectoryRecord* source = FindNode(from.Name, oldParent);
  TDirectoryRecord* destination = FindNode(newName, newParent);
  // Only the letter case changed: the tree already holds the right name.
  if (source && destination == source) return;
  // A directory of the new name that stays beside the moved one: its twin
  // in case (`mv a Docs` beside `docs`).
  if (destination && OfNewPath(spellings) != kSpellingsNotKnown && OfNewPath(spellings) >= 2) {
    if (source && !DirList->MoveNode(source, newName, newParent)) return;
    if (!source) RewalkTwins(newPath, to);
    return;
  }

  // The source moves before the destination goes: the source may sit inside
  // the destination's subtree (C:\A\B renamed to C:\A), and must not be freed
  // with it. A move into the source's own subtree cannot have happened on
  // disk; the list refuses it and the report is dropped, leaving the tree as
  // it was rather than cutting the subtree off in a loop.
  if (source && !DirList->MoveNode(source, newName, newParent)) return;
  if (destination) RemoveSubtree(destination);
}

void TMemoryDB::RenameFile(const std::string& oldPath, const std::string& newPath,
                           THostSpellingSource* spellings) {
  TPathPlaces from, to;
  ResolvePlaces(oldPath, from);
  ResolvePlaces(newPath, to);
  if (from.Parents.empty() || !UsableName(to.Name)) return;
  TDirectoryRecord* oldParent = nullptr;
  TFileRecord* entry = nullptr;
  for (TDirectoryRecord* parent : from.Parents) {
    if ((entry = DirList->FindEntry(parent, from.Name))) {
      oldParent = parent;
      break;
    }
  }
  if (!entry) return;
  TDirectoryRecord* newParent = to.Parents.empty() ? nullptr : to.Parents[0];
  const std::string& newName = to.Name;

  // The row is cleared at once and re-pointed only when the new entry
  // exists, so that a failed allocation cannot leave it on a freed entry.
  const int row = resultIndex_.RowOfEntry(ResultFiles, ResultDirs, entry);
  if (row >= 0) {
    ResultFiles[row] = nullptr;
    ResultDirs[row] = nullptr;
  }
  DirList->RemoveEntry(entry, oldParent);
  // Twin folders: the old name's count over all of them.
  if (from.Parents.size() > 1) SettleEntries(from, HostSpellingsOf(oldPath, from, false));
  if (!newParent) return;

  // The new name held already: the file it replaced goes, unless the host
  // holds the new name in more spellings than that (a third spelling beside
  // its twin, or twin folders).
  const size_t held = CountEntries(to);
  TFileRecord* moved = DirList->AddEntry(newName, newParent);
  if (row >= 0) {
    ResultFiles[row] = moved;
    ResultDirs[row] = newParent;
    resultIndex_.Repointed(row, moved, newParent);
  }
  if (!held) return;
  uint32_t target = to.Parents.size() == 1 ? OfNewPath(spellings) : HostSpellingsOf(newPath, to, false);
  if (target == kSpellingsNotKnown) target = static_cast<uint32_t>(held);
  SettleEntries(to, target, moved);
}
