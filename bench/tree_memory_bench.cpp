// Memory of the tree, from the process's allocation totals (glibc's
// mallinfo2: bytes in use, small blocks and mapped ones together), natively.
//
// A tree of 100,000 directories without files gives the cost of a
// directory; the same number of directories with 1,000,000 files then gives
// the cost of a file, after the directories' share is taken off. Each figure
// is bytes beyond the name's own length, indexes and allocator overhead
// included.
#include <malloc.h>

#include <cstdio>

#include "bench_figures.h"
#include "fake_host.h"
#include "memory_db.h"
#include "tree_generator.h"

namespace {

constexpr size_t kFiles = 1000000;
constexpr size_t kDirectories = 100000;
constexpr uint32_t kSeed = 1996;

size_t BytesInUse() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

struct TNameBytes {
  size_t Directories = 0;
  size_t Files = 0;
  size_t DirectoryCount = 0;
  size_t FileCount = 0;
};

TNameBytes CountNames(TMemoryDB& database) {
  TNameBytes bytes;
  TLockGuard guard(*database.Lock);
  for (TDirectoryRecord* node = database.DirList->FirstNode(); node; node = node->Next) {
    bytes.Directories += node->Name.size();
    ++bytes.DirectoryCount;
    for (TFileRecord* entry = node->Files; entry; entry = entry->Next) {
      bytes.Files += entry->Length;
      ++bytes.FileCount;
    }
  }
  return bytes;
}

// Bytes the database's tree holds, beyond an empty tree.
size_t TreeBytes(TMemoryDB& database, size_t files, size_t directories) {
  database.DirList = std::make_unique<TDDList>();
  const size_t before = BytesInUse();
  // The generator's own working memory is gone when it returns; what stays
  // in use is the tree.
  GenerateTree(database, files, directories, kSeed);
  return BytesInUse() - before;
}

}  // namespace

int main() {
  TFakeHost host;
  TMemoryDB database(host);

  const size_t directoryTree = TreeBytes(database, 0, kDirectories);
  const TNameBytes directoryNames = CountNames(database);
  const double perDirectory =
      static_cast<double>(directoryTree - directoryNames.Directories) / directoryNames.DirectoryCount;

  const size_t fullTree = TreeBytes(database, kFiles, kDirectories);
  const TNameBytes names = CountNames(database);
  const double directoryShare = perDirectory * names.DirectoryCount + names.Directories;
  const double perFile =
      (static_cast<double>(fullTree) - directoryShare - names.Files) / names.FileCount;

  std::printf("directories only: %zu nodes, %zu name bytes, %.1f MB in use\n",
              directoryNames.DirectoryCount, directoryNames.Directories, directoryTree / 1e6);
  std::printf("full tree: %zu files (%zu name bytes, %.1f on average) in %zu nodes, %.1f MB in use\n",
              names.FileCount, names.Files, static_cast<double>(names.Files) / names.FileCount,
              names.DirectoryCount, fullTree / 1e6);
  RecordFigure("memory_per_directory", perDirectory, "bytes", 128);
  RecordFigure("memory_per_file", perFile, "bytes", 24);
  return PrintFigures() ? 0 : 1;
}
