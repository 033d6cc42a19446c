#include "database_pictures.h"

#include <algorithm>

namespace {

std::vector<std::string> FileNames(const TDirectoryRecord* node) {
  std::vector<std::string> names;
  for (const TFileRecord* entry = node->Files; entry; entry = entry->Next) {
    names.emplace_back(entry->NameView());
  }
  return names;
}

std::string Line(const std::string& path, const std::vector<std::string>& names) {
  std::string line = path + " :";
  for (const std::string& name : names) line += " " + name;
  return line;
}

}  // namespace

std::vector<std::string> TreeLines(TMemoryDB& db) {
  TLockGuard guard(*db.Lock);
  std::vector<std::string> lines;
  for (const TDirectoryRecord* node = db.DirList->FirstNode(); node; node = node->Next) {
    lines.push_back(Line(db.DirectoryPath(node), FileNames(node)));
  }
  return lines;
}

std::vector<std::string> SortedTreeLines(TMemoryDB& db, const std::string& prefix) {
  TLockGuard guard(*db.Lock);
  std::vector<std::string> lines;
  for (const TDirectoryRecord* node = db.DirList->FirstNode(); node; node = node->Next) {
    const std::string path = db.DirectoryPath(node);
    if (path.compare(0, prefix.size(), prefix) != 0) continue;
    std::vector<std::string> names = FileNames(node);
    std::sort(names.begin(), names.end());
    lines.push_back(Line(path, names));
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}

std::vector<std::string> RowLines(TMemoryDB& db) {
  std::vector<std::string> lines;
  for (int row = 0; row < db.ResultCount(); ++row) {
    lines.push_back(db.ResultFullPath(row) + " | " + db.ResultDirectory(row));
  }
  return lines;
}

TDirectoryRecord* PlantDirectory(TMemoryDB& db, const std::string& path) {
  TLockGuard guard(*db.Lock);
  TDirectoryRecord* node = nullptr;
  for (size_t start = 0; start <= path.size();) {
    const size_t end = std::min(path.find('\\', start), path.size());
    const std::string name = path.substr(start, end - start);
    TDirectoryRecord* found = db.FindNode(name, node);
    node = found ? found : db.DirList->AddNode(name, node);
    start = end + 1;
  }
  return node;
}

void PlantFiles(TMemoryDB& db, const std::string& directory, const std::vector<std::string>& names) {
  TDirectoryRecord* node = PlantDirectory(db, directory);
  TLockGuard guard(*db.Lock);
  for (const std::string& name : names) db.DirList->AddEntry(name, node);
}
