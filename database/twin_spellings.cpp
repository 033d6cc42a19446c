// Names that differ only in case. The host may hold `Makefile` and
// `makefile` in one directory; the database stores both as MAKEFILE, one
// entry each, as the scan records them, and twin folders as one node each.
// A reported path cannot tell twins apart, so the change operations work on
// how many there are: after a change, a directory holds as many entries (or
// nodes) of a name as the host holds spellings of it. Where a path passes
// through twin folders, the database has merged them in its view (a file of
// either goes into the first node), and counts are taken over all of them.
#include <memory>
#include <unordered_set>
#include <utility>

#include "memory_db.h"

namespace {

std::vector<std::string> SplitPath(const std::string& path) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    const size_t end = path.find('\\', start);
    parts.push_back(path.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) return parts;
    start = end + 1;
  }
}

bool Listed(const TFoundEntry& entry) {
  return !entry.Name.empty() && entry.Name[0] != '.' && entry.Name.size() <= kMaxNameLength;
}

// Calls found(entry) for every entry of the host folder (ending in "")
// that the scan would record under the stored name Stored.
template <typename TFound>
void EachSpelling(TDatabaseHost& host, const std::string& folder, const std::string& stored, TFound found) {
  const std::unique_ptr<TDirectoryEnumeration> listing = host.FindFirst(folder + "*.*");
  TFoundEntry entry;
  std::string name;
  while (listing && listing->Next(entry)) {
    if (!Listed(entry)) continue;
    name = entry.Name;
    host.UpperCase(name);
    if (name == stored) found(entry);
  }
}

}  // namespace

void TMemoryDB::ResolvePlaces(const std::string& path, TPathPlaces& places) {
  std::string upper = path;
  Host.UpperCase(upper);
  places.Parents.clear();
  places.TwinLevels.clear();
  const size_t last = upper.rfind('\\');
  if (last == std::string::npos) {
    places.Name = std::move(upper);
    return;
  }
  places.Name.assign(upper, last + 1, std::string::npos);
  std::vector<TDirectoryRecord*> current{nullptr};
  std::vector<TDirectoryRecord*> next;
  const std::string_view text(upper);
  for (size_t start = 0; start <= last;) {
    const size_t end = text.find('\\', start);
    next.clear();
    for (TDirectoryRecord* parent : current) DirList->FindNodes(text.substr(start, end - start), parent, next);
    if (next.empty()) return;
    places.TwinLevels.push_back(next.size() > 1);
    current.swap(next);
    start = end + 1;
  }
  places.Parents = std::move(current);
}

size_t TMemoryDB::CountEntries(const TPathPlaces& places) const {
  size_t count = 0;
  for (const TDirectoryRecord* parent : places.Parents) count += DirList->CountEntries(parent, places.Name);
  return count;
}

void TMemoryDB::FindNodesOf(const TPathPlaces& places, std::vector<TDirectoryRecord*>& nodes) const {
  for (const TDirectoryRecord* parent : places.Parents) DirList->FindNodes(places.Name, parent, nodes);
}

std::vector<std::string> TMemoryDB::HostFolders(const std::string& path, const TPathPlaces& places) {
  // The path as reported spells every level as the host does; only a level
  // held by twins (or below one) has more than one host folder, found by
  // reading the folder above it.
  const std::vector<std::string> parts = SplitPath(path);
  std::vector<std::string> folders{parts[0] + "\\"};
  std::vector<std::string> next;
  for (size_t level = 1; level + 1 < parts.size(); ++level) {
    // TwinLevels counts the drive as level 0, as the path's parts do.
    const bool twins = level < places.TwinLevels.size() && places.TwinLevels[level];
    next.clear();
    if (!twins && folders.size() == 1) {
      folders[0] += parts[level] + "\\";
      continue;
    }
    std::string wanted = parts[level];
    Host.UpperCase(wanted);
    for (const std::string& folder : folders) {
      EachSpelling(Host, folder, wanted, [&](const TFoundEntry& entry) {
        if (entry.Attributes & kAttributeDirectory) next.push_back(folder + entry.Name + "\\");
      });
    }
    folders.swap(next);
  }
  return folders;
}

uint32_t TMemoryDB::HostSpellingsOf(const std::string& path, const TPathPlaces& places, bool directory) {
  uint32_t count = 0;
  for (const std::string& folder : HostFolders(path, places)) {
    EachSpelling(Host, folder, places.Name, [&](const TFoundEntry& entry) {
      count += ((entry.Attributes & kAttributeDirectory) != 0) == directory;
    });
  }
  return count;
}

void TMemoryDB::SettleEntries(const TPathPlaces& places, uint32_t target, const TFileRecord* keep) {
  if (places.Parents.empty() || target == kSpellingsNotKnown) return;
  struct THeld {
    TFileRecord* Entry;
    TDirectoryRecord* Node;
  };
  std::vector<THeld> held;
  for (TDirectoryRecord* parent : places.Parents) {
    for (TFileRecord* entry = parent->Files; entry; entry = entry->Next) {
      if (entry->NameView() == places.Name) held.push_back({entry, parent});
    }
  }
  for (size_t count = held.size(); count < target; ++count) DirList->AddEntry(places.Name, places.Parents[0]);
  if (held.size() <= target) return;

  // Twins are alike in the tree: which entry goes is free, so an entry that
  // a result row shows goes last, and a row whose file still exists under
  // another spelling keeps showing it.
  size_t excess = held.size() - target;
  for (const bool shown : {false, true}) {
    for (THeld& twin : held) {
      if (!excess) return;
      if (!twin.Entry || twin.Entry == keep) continue;
      const bool inRow = resultIndex_.RowOfEntry(ResultFiles, ResultDirs, twin.Entry) >= 0;
      if (inRow != shown) continue;
      if (inRow) ClearResultsForEntry(twin.Entry);
      DirList->RemoveEntry(twin.Entry, twin.Node);
      twin.Entry = nullptr;
      --excess;
    }
  }
}

void TMemoryDB::WalkInto(const std::string& hostPath, TDirectoryRecord* node) {
  // As the scan walks: names beginning with "." left out, a name longer
  // than the database file can store left out, a link to a folder recorded
  // but not entered.
  const std::unique_ptr<TDirectoryEnumeration> listing = Host.FindFirst(hostPath + "*.*");
  TFoundEntry entry;
  while (listing && listing->Next(entry)) {
    if (!Listed(entry)) continue;
    std::string stored = entry.Name;
    Host.UpperCase(stored);
    if (!(entry.Attributes & kAttributeDirectory)) {
      DirList->AddEntry(stored, node);
      continue;
    }
    TDirectoryRecord* child = DirList->AddNode(stored, node);
    if (!(entry.Attributes & kAttributeReparsePoint)) WalkInto(hostPath + entry.Name + "\\", child);
  }
}

void TMemoryDB::RewalkTwins(const std::string& path, const TPathPlaces& places) {
  if (places.Parents.empty()) return;
  std::vector<TDirectoryRecord*> nodes;
  FindNodesOf(places, nodes);
  // Rows of the files below: noted by path, so that a file still there
  // after the walk keeps its row rather than reading "File Deleted".
  std::unordered_set<const TDirectoryRecord*> below(nodes.begin(), nodes.end());
  for (std::vector<TDirectoryRecord*> pending(nodes); !pending.empty();) {
    const TDirectoryRecord* node = pending.back();
    pending.pop_back();
    for (TDirectoryRecord* child = DirList->FirstChild(node); child; child = DirList->NextSibling(child)) {
      below.insert(child);
      pending.push_back(child);
    }
  }
  std::vector<std::pair<size_t, std::string>> shown;
  for (size_t row = 0; row < ResultDirs.size(); ++row) {
    if (ResultDirs[row] && below.count(ResultDirs[row])) {
      shown.emplace_back(row, DirectoryPath(ResultDirs[row]) + std::string(ResultFiles[row]->NameView()));
    }
  }
  for (TDirectoryRecord* node : nodes) RemoveSubtree(node);
  WalkSpellings(path, places);

  TPathPlaces file;
  for (const auto& [row, filePath] : shown) {
    ResolvePlaces(filePath, file);
    for (TDirectoryRecord* parent : file.Parents) {
      TFileRecord* entry = parent->Files;
      while (entry && (entry->NameView() != file.Name ||
                       resultIndex_.RowOfEntry(ResultFiles, ResultDirs, entry) >= 0)) {
        entry = entry->Next;
      }
      if (!entry) continue;
      ResultFiles[row] = entry;
      ResultDirs[row] = parent;
      resultIndex_.Repointed(static_cast<int>(row), entry, parent);
      break;
    }
  }
}

void TMemoryDB::WalkSpellings(const std::string& path, const TPathPlaces& places) {
  for (const std::string& folder : HostFolders(path, places)) {
    // Listed whole first: each twin's walk opens enumerations of its own.
    std::vector<TFoundEntry> twins;
    EachSpelling(Host, folder, places.Name, [&](const TFoundEntry& entry) {
      if (entry.Attributes & kAttributeDirectory) twins.push_back(entry);
    });
    for (const TFoundEntry& twin : twins) {
      TDirectoryRecord* node = DirList->AddNode(places.Name, places.Parents[0]);
      if (!(twin.Attributes & kAttributeReparsePoint)) WalkInto(folder + twin.Name + "\\", node);
    }
  }
}
