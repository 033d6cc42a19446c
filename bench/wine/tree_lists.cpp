#include "tree_lists.h"

#include <cstdio>
#include <memory>
#include <string>

#include "memory_db.h"
#include "tree_generator.h"
#include "win32_database_host.h"

namespace {

constexpr uint32_t kSeed = 1996;

struct TFileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using TFileHandle = std::unique_ptr<std::FILE, TFileCloser>;

// C:\USR\SHARE\DOC.TXT becomes usr/share/doc.txt: the generator's names are
// the stored upper-case ones, and lower case on disk, as most of a real
// disk's names are, makes the scan do its upper-casing for real. The names
// are ASCII and unique within their directory also when lower-cased.
std::string HostPath(const std::string& path) {
  std::string host;
  for (size_t i = path.find('\\') + 1; i < path.size(); ++i) {
    const char c = path[i];
    host += c == '\\' ? '/' : (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  }
  if (!host.empty() && host.back() == '/') host.pop_back();
  return host;
}

bool WriteLine(std::FILE* file, const std::string& line) {
  return std::fputs(line.c_str(), file) >= 0 && std::fputc('\n', file) != EOF;
}

}  // namespace

bool WriteTreeLists(size_t files, size_t directories, const std::string& directoryList,
                    const std::string& fileList) {
  TMemoryDB database(Win32DatabaseHost());
  GenerateTree(database, files, directories, kSeed);

  // Binary mode: the lines end in "\n" alone for the host's tools.
  TFileHandle directoryOut(std::fopen(directoryList.c_str(), "wb"));
  TFileHandle fileOut(std::fopen(fileList.c_str(), "wb"));
  if (!directoryOut || !fileOut) return false;
  bool ok = true;
  {
    TLockGuard guard(*database.Lock);
    for (const TDirectoryRecord* node = database.DirList->FirstNode(); node && ok;
         node = node->Next) {
      if (node->Parent) ok = WriteLine(directoryOut.get(), HostPath(database.DirectoryPath(node)));
    }
  }
  ForEachFilePath(database, [&](const std::string& path) {
    ok = ok && WriteLine(fileOut.get(), HostPath(path));
  });
  ok = std::fclose(directoryOut.release()) == 0 && ok;
  ok = std::fclose(fileOut.release()) == 0 && ok;
  return ok;
}
