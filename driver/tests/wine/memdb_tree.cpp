// memdb_tree FILE: loads a saved database as the program does (its CRC-32
// from the settings) and prints every directory (ending in "\") and every
// file by its full path, one a line, sorted. Exit code 1 when it does not load.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "memory_db.h"
#include "win32_database_host.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: memdb_tree FILE\n");
    return 2;
  }
  TMemoryDB db(Win32DatabaseHost());
  if (!db.LoadFromFile(argv[1])) {
    std::fprintf(stderr, "memdb_tree: %s does not load\n", argv[1]);
    return 1;
  }
  std::vector<std::string> lines;
  for (const TDirectoryRecord* node = db.DirList->FirstNode(); node; node = node->Next) {
    const std::string directory = db.DirectoryPath(node);
    lines.push_back(directory);
    for (const TFileRecord* entry = db.DirList->FirstEntry(node); entry; entry = entry->Next) {
      lines.push_back(directory + std::string(entry->NameView()));
    }
  }
  std::sort(lines.begin(), lines.end());
  for (const std::string& line : lines) std::printf("%s\n", line.c_str());
  return 0;
}
