// Which result rows hold a given file entry or directory node, so that the
// change operations clear or re-point rows without scanning every row for
// every record they free (a subtree removal frees thousands).
//
// The index is built on first use after the rows were replaced and is then
// kept true by being told of every row that is re-pointed. It may hold stale
// row numbers (a row cleared through its directory still appears under its
// entry); every answer is checked against the rows themselves, so a stale or
// reused address never clears the wrong row.
#pragma once

#include <cstddef>
#include <unordered_map>
#include <vector>

struct TFileRecord;
struct TDirectoryRecord;

class TResultIndex {
 public:
  using TFileRows = std::vector<TFileRecord*>;
  using TDirRows = std::vector<TDirectoryRecord*>;

  // The rows were replaced (a new search or scan).
  void Forget();

  // The first row that holds the entry, or -1.
  int RowOfEntry(const TFileRows& files, const TDirRows& dirs, const TFileRecord* entry);

  // Calls clear(row) for every row whose directory is the node, then drops
  // the node from the index.
  template <typename TClear>
  void ForEachRowOfDirectory(const TFileRows& files, const TDirRows& dirs,
                             const TDirectoryRecord* node, TClear clear) {
    if (files.empty()) return;
    Build(files, dirs);
    auto found = rowsOfDirectory_.find(node);
    if (found == rowsOfDirectory_.end()) return;
    for (int row : found->second) {
      if (static_cast<size_t>(row) < dirs.size() && dirs[row] == node) clear(row);
    }
    rowsOfDirectory_.erase(found);
  }

  // The row now shows entry in node.
  void Repointed(int row, const TFileRecord* entry, const TDirectoryRecord* node);

 private:
  void Build(const TFileRows& files, const TDirRows& dirs);

  bool built_ = false;
  size_t builtRows_ = 0;
  std::unordered_map<const TFileRecord*, int> rowOfEntry_;
  std::unordered_map<const TDirectoryRecord*, std::vector<int>> rowsOfDirectory_;
};
