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

// The save's temporary file, in the same folder as the database file so
// that the rename never crosses a drive.
struct TFileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using TFileHandle = std::unique_ptr<std::FILE, TFileCloser>;

std::string TemporaryFileName(const std::string& fileName) { return fileName + ".tmp"; }

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

// The image goes to a temporary file beside the database file, reaches the
// disk, and only then do the checksum and the file change, the file by one
// rename. A program ended at any moment (a killed session, a lost power)
// leaves either the old file or the new one, each whole. The two belong
// together with the "CRC32" setting; the one moment they cannot agree
// (checksum written, rename not yet made) the temporary holds the file the
// checksum is for, and the next load finishes the rename (see LoadFromFile).
bool TMemoryDB::SaveToFile() {
  TLockGuard guard(*Lock);
  if (FileName.empty()) return false;  // no file to replace
  const std::string temporary = TemporaryFileName(FileName);
  std::vector<uint8_t> image;
  try {
    if (!EncodeDatabaseImage(*DirList, image)) return false;
  } catch (const std::bad_alloc&) {
    return false;
  }
  // Whatever fails from here on, the temporary goes: never two databases'
  // worth of bytes left behind.
  if (!Host.WriteWholeFile(temporary, image.data(), image.size())) {
    Host.RemoveFile(temporary);
    return false;
  }
  const uint32_t checksum = StreamCRC(image);
  int32_t previous = 0;
  bool hadPrevious = false;
  try {
    previous = Host.ReadSettingInteger(kChecksumSetting);
    hadPrevious = true;
  } catch (const ERegistry&) {
    // No checksum yet: there is none to put back should the rename fail.
  }
  try {
    Host.WriteSettingInteger(kChecksumSetting, static_cast<int32_t>(checksum));
  } catch (const ERegistry&) {
    Host.RemoveFile(temporary);
    return false;
  }
  if (!Host.RenameOver(temporary, FileName)) {
    Host.RemoveFile(temporary);
    // The old file stays; so must the checksum that describes it.
    if (hadPrevious) {
      try {
        Host.WriteSettingInteger(kChecksumSetting, previous);
      } catch (const ERegistry&) {
      }
    }
    return false;
  }
  return true;
}

bool TMemoryDB::LoadFromFile(const std::string& fileName) {
  {
    TLockGuard guard(*Lock);
    FileName = fileName;
  }

  // A save ended between its checksum and its rename leaves the checksum of
  // its temporary file, which holds the file that checksum is for: the load
  // takes that one and finishes the rename. A save ended before its
  // checksum leaves a temporary of no use, which goes.
  const std::string temporary = TemporaryFileName(fileName);
  std::vector<uint8_t> content;
  bool fromTemporary = false;
  if (!ReadWholeFile(fileName, content) || content.empty()) {
    if (!ReadWholeFile(temporary, content) || content.empty()) return false;
    fromTemporary = true;
  }
  // A missing setting raises ERegistry, which passes to the caller.
  const uint32_t stored = static_cast<uint32_t>(Host.ReadSettingInteger(kChecksumSetting));
  if (StreamCRC(content) != stored) {
    if (fromTemporary || !ReadWholeFile(temporary, content) || StreamCRC(content) != stored) {
      return false;
    }
    fromTemporary = true;
  }
  if (fromTemporary) Host.RenameOver(temporary, fileName);
  else Host.RemoveFile(temporary);

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
