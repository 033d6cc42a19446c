#include "tree_dump.h"

std::vector<std::string> DumpTree(const TDDList& list) {
  std::vector<std::string> lines;
  for (const TDirectoryRecord* node = list.FirstNode(); node; node = node->Next) {
    std::string path;
    for (const TDirectoryRecord* up = node; up; up = up->Parent) {
      path = std::string(up->NameView()) + "\\" + path;
    }
    std::string line = path + " :";
    for (const TFileRecord* entry = list.FirstEntry(node); entry; entry = entry->Next) {
      line += " " + std::string(entry->NameView());
    }
    lines.push_back(line);
  }
  return lines;
}
