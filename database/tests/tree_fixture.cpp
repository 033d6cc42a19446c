#include "tree_fixture.h"

#include <set>

TreeFixture::TreeFixture() {
  host.DefineDrive('C', 3);
  host.DefineDrive('E', 3);
  host.DefineDrive('A', 2);
  host.DefineDrive('D', 5);
  host.DefineDrive('N', 4);
}

TDirectoryRecord* TreeFixture::EnsureDirectory(const std::string& directoryPath) {
  std::string upper = directoryPath;
  UpperCaseAnsi(upper);
  TDirectoryRecord* node = nullptr;
  size_t start = 0;
  while (start < upper.size()) {
    const size_t end = upper.find('\\', start);
    const std::string name = upper.substr(start, end - start);
    TDirectoryRecord* next = db.DirList->FindNode(name, node);
    node = next ? next : db.DirList->AddNode(name, node);
    start = end + 1;
  }
  return node;
}

void TreeFixture::BuildTreeOnly(std::initializer_list<const char*> paths) {
  for (const std::string path : paths) {
    const size_t cut = path.rfind('\\');
    TDirectoryRecord* directory = EnsureDirectory(path.substr(0, cut + 1));
    if (cut + 1 < path.size()) {
      std::string name = path.substr(cut + 1);
      UpperCaseAnsi(name);
      db.DirList->AddEntry(name, directory);
    }
  }
}

void TreeFixture::Build(std::initializer_list<const char*> paths) {
  BuildTreeOnly(paths);
  for (const std::string path : paths) {
    if (path.back() == '\\') {
      if (path.size() > 3) host.MakeDirectory(path.substr(0, path.size() - 1));
    } else {
      host.MakeFile(path);
    }
  }
}

TDirectoryRecord* TreeFixture::Node(const std::string& directoryPath) {
  std::string name;
  TDirectoryRecord* node = nullptr;
  db.ResolvePath(directoryPath, name, node);
  return name.empty() ? node : nullptr;
}

TFileRecord* TreeFixture::Entry(const std::string& filePath) {
  std::string name;
  TDirectoryRecord* node = nullptr;
  db.ResolvePath(filePath, name, node);
  return node ? db.DirList->FindEntry(node, name) : nullptr;
}

std::vector<std::string> TreeFixture::FilesOf(const std::string& directoryPath) {
  std::vector<std::string> names;
  TDirectoryRecord* node = Node(directoryPath);
  if (!node) return {"<no such directory>"};
  for (TFileRecord* entry = node->Files; entry; entry = entry->Next) {
    names.emplace_back(entry->NameView());
  }
  return names;
}

std::vector<std::string> TreeFixture::Rows() {
  std::vector<std::string> rows;
  for (int row = 0; row < db.ResultCount(); ++row) rows.push_back(db.ResultFullPath(row));
  return rows;
}

std::vector<std::string> TreeFixture::Directories() {
  std::vector<std::string> paths;
  for (TDirectoryRecord* node = db.DirList->FirstNode(); node; node = node->Next) {
    paths.push_back(db.DirectoryPath(node));
  }
  return paths;
}

std::vector<std::string> TreeFixture::Snapshot() {
  std::vector<std::string> lines;
  for (TDirectoryRecord* node = db.DirList->FirstNode(); node; node = node->Next) {
    const std::string path = db.DirectoryPath(node);
    lines.push_back(path);
    for (TFileRecord* entry = node->Files; entry; entry = entry->Next) {
      lines.push_back(path + std::string(entry->NameView()));
    }
  }
  return lines;
}

std::string TreeInconsistency(TMemoryDB& db) {
  TLockGuard guard(*db.Lock);
  std::set<const TDirectoryRecord*> nodes;
  size_t count = 0;
  for (TDirectoryRecord* node = db.DirList->FirstNode(); node; node = node->Next) {
    nodes.insert(node);
    if (++count > db.DirList->NodeCount()) return "the chain is longer than its count";
  }
  if (count != db.DirList->NodeCount()) return "the chain is shorter than its count";
  for (const TDirectoryRecord* node : nodes) {
    if (node->Parent && !nodes.count(node->Parent)) return "a parent is not in the chain";
    size_t depth = 0;
    for (const TDirectoryRecord* up = node; up; up = up->Parent) {
      if (++depth > count) return "a parent loop";
    }
  }
  if (db.ResultFiles.size() != db.ResultDirs.size()) return "row lists of different lengths";
  for (size_t row = 0; row < db.ResultFiles.size(); ++row) {
    const TFileRecord* entry = db.ResultFiles[row];
    const TDirectoryRecord* node = db.ResultDirs[row];
    if (!entry && !node) continue;
    if (!entry || !node) return "row " + std::to_string(row) + " is half cleared";
    if (!nodes.count(node)) return "row " + std::to_string(row) + " names a node not in the tree";
    bool found = false;
    for (const TFileRecord* e = node->Files; e && !found; e = e->Next) found = e == entry;
    if (!found) return "row " + std::to_string(row) + " names an entry not in its directory";
  }
  return "";
}
