#include "query_answer.h"

TQueryAnswer TQueryAnswerer::Answer(TMemoryDB& database, const std::string& pattern, bool countOnly,
                                    uint32_t limit) {
  TQueryAnswer answer;
  TLockGuard guard(*database.Lock);
  database.SearchInto(pattern, files_, dirs_);
  size_t rows = files_.size();
  if (limit != 0 && rows > limit) rows = limit;
  answer.Count = rows;
  if (countOnly) return answer;

  // Rows of one directory come together: its path is made once for them.
  const TDirectoryRecord* pathOf = nullptr;
  std::string directory;
  for (size_t row = 0; row < rows; ++row) {
    if (dirs_[row] != pathOf) {
      pathOf = dirs_[row];
      directory = database.DirectoryPath(pathOf);
    }
    answer.Paths.append(directory);
    answer.Paths.append(files_[row]->NameView());
    answer.Paths.push_back('\0');
  }
  return answer;
}
