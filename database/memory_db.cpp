#include "memory_db.h"

TMemoryDB::TMemoryDB(TDatabaseHost& host)
    : Host(host), DirList(std::make_unique<TDDList>()), Lock(host.CreateLock()) {}

TMemoryDB::~TMemoryDB() {
  // The driver-link thread may still be inside an operation; the tree goes
  // only once it has let go of the lock.
  TLockGuard guard(*Lock);
  ResultFiles.clear();
  ResultDirs.clear();
  resultIndex_.Forget();
  DirList.reset();
}

bool TMemoryDB::IsFixedDrivePath(const std::string& path) {
  const size_t separator = path.find('\\');
  if (separator == std::string::npos) return true;
  return Host.DriveType(path.substr(0, separator + 1)) == kDriveFixed;
}

void TMemoryDB::ResolvePath(const std::string& path, std::string& name, TDirectoryRecord*& node) {
  std::string upper = path;
  Host.UpperCase(upper);
  const size_t last = upper.rfind('\\');
  node = nullptr;
  if (last == std::string::npos) {
    name = std::move(upper);
    return;
  }
  const std::string_view text(upper);
  TDirectoryRecord* current = nullptr;
  size_t start = 0;
  while (start <= last) {
    const size_t end = text.find('\\', start);
    current = DirList->FindNode(text.substr(start, end - start), current);
    if (!current) break;
    start = end + 1;
  }
  node = current;
  name.assign(upper, last + 1, std::string::npos);
}

TDirectoryRecord* TMemoryDB::FindNode(std::string_view name, const TDirectoryRecord* parent) const {
  return DirList->FindNode(name, parent);
}

std::string TMemoryDB::DirectoryPath(const TDirectoryRecord* node) const {
  // Measured first, then filled from the end: one allocation per path.
  size_t length = 0;
  for (const TDirectoryRecord* level = node; level; level = level->Parent) {
    length += level->Name.size() + 1;
  }
  std::string path(length, '\\');
  for (const TDirectoryRecord* level = node; level; level = level->Parent) {
    length -= level->Name.size() + 1;
    path.replace(length, level->Name.size(), level->Name.data(), level->Name.size());
  }
  return path;
}

void TMemoryDB::ClearResultsForEntry(const TFileRecord* entry) {
  const int row = resultIndex_.RowOfEntry(ResultFiles, ResultDirs, entry);
  if (row < 0) return;
  ResultFiles[row] = nullptr;
  ResultDirs[row] = nullptr;
}

void TMemoryDB::ClearResultsForDir(const TDirectoryRecord* node) {
  resultIndex_.ForEachRowOfDirectory(ResultFiles, ResultDirs, node, [this](int row) {
    ResultFiles[row] = nullptr;
    ResultDirs[row] = nullptr;
  });
}
