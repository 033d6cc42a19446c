// Feeds arbitrary bytes to TMemoryDB::LoadFromFile as memdb.dat, with the
// matching checksum in the settings so that every content check is reached.
//
// Besides the sanitizers' findings, each input must keep two promises:
//  - a refused file leaves the tree in memory exactly as it was;
//  - an accepted file is exactly what a save writes: loading it, saving,
//    loading and saving again gives back the same bytes (each save and load
//    reverses the file chains, so two of them cancel out), and every node's
//    path can be formed.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "crc32.h"
#include "database_image.h"
#include "fake_host.h"
#include "memory_db.h"

namespace {

void Check(bool condition, const char* broken) {
  if (!condition) {
    std::fprintf(stderr, "load_fuzzer: %s\n", broken);
    std::abort();
  }
}

const std::string& InputPath() {
  static const std::string path = [] {
    const std::filesystem::path directory = std::filesystem::temp_directory_path();
    return (directory / ("velkoro-fuzz-" + std::to_string(getpid()) + ".dat")).string();
  }();
  static const bool removedAtExit = [] {
    std::atexit([] { std::remove(InputPath().c_str()); });
    return true;
  }();
  (void)removedAtExit;
  return path;
}

void WriteInput(const uint8_t* data, size_t size) {
  std::FILE* file = std::fopen(InputPath().c_str(), "wb");
  Check(file != nullptr, "cannot write the input file");
  Check(size == 0 || std::fwrite(data, 1, size, file) == size, "cannot write the input file");
  Check(std::fclose(file) == 0, "cannot write the input file");
}

std::vector<uint8_t> Image(const TMemoryDB& db) {
  std::vector<uint8_t> image;
  Check(EncodeDatabaseImage(*db.DirList, image), "a tree in memory cannot be saved");
  return image;
}

// The tree a failed load must leave alone.
void BuildResidentTree(TMemoryDB& db) {
  TDirectoryRecord* c = db.DirList->AddNode("C:", nullptr);
  TDirectoryRecord* windows = db.DirList->AddNode("WINDOWS", c);
  db.DirList->AddEntry("WIN.INI", windows);
  db.DirList->AddEntry("AUTOEXEC.BAT", c);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TFakeHost host;
  TMemoryDB db(host);
  BuildResidentTree(db);
  const std::vector<uint8_t> resident = Image(db);

  WriteInput(data, size);
  host.Settings["CRC32"] = static_cast<int32_t>(StreamCRC(data, size));
  if (!db.LoadFromFile(InputPath())) {
    Check(Image(db) == resident, "a refused file changed the tree");
    return 0;
  }

  for (const TDirectoryRecord* node = db.DirList->FirstNode(); node; node = node->Next) {
    db.DirectoryPath(node);
  }
  const std::vector<uint8_t> once = Image(db);
  Check(once.size() == size, "an accepted file does not save back to its own size");
  std::unique_ptr<TDDList> again = DecodeDatabaseImage(once.data(), once.size());
  Check(again != nullptr, "a saved tree does not load");
  std::vector<uint8_t> twice;
  Check(EncodeDatabaseImage(*again, twice), "a loaded tree cannot be saved");
  Check(twice == std::vector<uint8_t>(data, data + size),
        "an accepted file is not what a save of its tree writes");
  return 0;
}
