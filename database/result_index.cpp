#include "result_index.h"

void TResultIndex::Forget() {
  built_ = false;
  builtRows_ = 0;
  rowOfEntry_.clear();
  rowsOfDirectory_.clear();
}

void TResultIndex::Build(const TFileRows& files, const TDirRows& dirs) {
  // Rows only change in number when they are replaced wholesale, so a count
  // that differs from the one indexed means the rows are new.
  if (built_ && builtRows_ == files.size()) return;
  Forget();
  rowOfEntry_.reserve(files.size());
  for (size_t row = 0; row < files.size(); ++row) {
    if (files[row]) rowOfEntry_.emplace(files[row], static_cast<int>(row));
    if (row < dirs.size() && dirs[row]) rowsOfDirectory_[dirs[row]].push_back(static_cast<int>(row));
  }
  built_ = true;
  builtRows_ = files.size();
}

int TResultIndex::RowOfEntry(const TFileRows& files, const TDirRows& dirs,
                             const TFileRecord* entry) {
  if (files.empty() || !entry) return -1;
  Build(files, dirs);
  auto found = rowOfEntry_.find(entry);
  if (found == rowOfEntry_.end()) return -1;
  const int row = found->second;
  if (static_cast<size_t>(row) >= files.size() || files[row] != entry) {
    rowOfEntry_.erase(found);
    return -1;
  }
  return row;
}

void TResultIndex::Repointed(int row, const TFileRecord* entry, const TDirectoryRecord* node) {
  if (!built_) return;
  rowOfEntry_[entry] = row;
  rowsOfDirectory_[node].push_back(row);
}
