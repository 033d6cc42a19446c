// Saving the tree to the database file and loading it back. Both go through
// one in-memory image of the whole file, whose CRC-32 is kept in the
// setting "CRC32"; the file has no checksum of its own.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "crc32.h"
#include "database_image.h"
#include "exceptions.h"
#include "memory_db.h"

namespace {

constexpr const char* kChecksumSetting = "CRC32";

struct TFileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using TFileHandle = std::unique_ptr<std::FILE, TFileCloser>;

bool ReadWholeFile(const std::string& fileName, std::vector<uint8_t>& content) {
  TFileHandle file(std::fopen(fileName.c_str(), "rb"));
  if (!file) return false;
  content.clear();
  size_t chunk = 16 * 1024;
  for (;;) {
    const size_t at = content.size();
    content.resize(at + chunk);
    const size_t got = std::fread(content.data() + at, 1, chunk, file.get());
    content.resize(at + got);
    if (got < chunk) break;
    chunk = content.size();  // doubling: a large file costs few reads
  }
  return !std::ferror(file.get());
}

}  // namespace

bool TMemoryDB::SaveToFile() {
  TLockGuard guard(*Lock);
  TFileHandle file(std::fopen(FileName.c_str(), "wb"));
  if (!file) return false;

  std::vector<uint8_t> image;
  try {
    if (!EncodeDatabaseImage(*DirList, image)) return false;
    // The checksum goes first: a file write that fails after it leaves a
    // file that no longer matches, which the next load rejects.
    Host.WriteSettingInteger(kChecksumSetting, static_cast<int32_t>(StreamCRC(image)));
  } catch (const ERegistry&) {
    return false;
  } catch (const std::bad_alloc&) {
    return false;
  }

  if (std::fwrite(image.data(), 1, image.size(), file.get()) != image.size()) return false;
  // Only a clean close means the data reached the file.
  return std::fclose(file.release()) == 0;
}

bool TMemoryDB::LoadFromFile(const std::string& fileName) {
  {
    TLockGuard guard(*Lock);
    FileName = fileName;
  }

  std::vector<uint8_t> content;
  if (!ReadWholeFile(fileName, content) || content.empty()) return false;
  // A missing setting raises ERegistry, which passes to the caller.
  const uint32_t stored = static_cast<uint32_t>(Host.ReadSettingInteger(kChecksumSetting));
  if (StreamCRC(content) != stored) return false;

  // The whole file is decoded and checked into a list of its own, so that a
  // file that fails any check leaves the current tree exactly as it was.
  std::unique_ptr<TDDList> loaded = DecodeDatabaseImage(content.data(), content.size());
  if (!loaded) return false;

  TLockGuard guard(*Lock);
  // A result row points into the tree being thrown away. The program loads
  // only before its first search, so the rows are empty then; should any
  // exist, they are cleared in place (shown as deleted, the row count kept)
  // rather than left pointing at freed records.
  std::fill(ResultFiles.begin(), ResultFiles.end(), nullptr);
  std::fill(ResultDirs.begin(), ResultDirs.end(), nullptr);
  DirList.swap(loaded);
  return true;
}
