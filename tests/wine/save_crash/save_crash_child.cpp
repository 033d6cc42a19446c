// The program side of the save's crash test: loads "memdb.dat" from the
// current directory with the product's own database host (real files, the
// real "CRC32" setting), says which of the two trees it holds, then builds
// the other one - 1,000,000 file names - and saves it, saying when the save
// begins and ends. The test kills it at a random moment of the save.
//
//   save_crash_child.exe
//
// Output lines: CHECKSUM <the CRC32 setting before the load, or "none">,
// LOADED <A|B|NONE>, SAVING <A|B>, SAVED <1|0> <milliseconds>.
#include <windows.h>

#include <cstdio>
#include <string>

#include "exceptions.h"
#include "memory_db.h"
#include "settings_store.h"
#include "win32_database_host.h"

namespace {

constexpr int kGroups = 100;
constexpr int kDirectoriesPerGroup = 100;
constexpr int kFilesPerDirectory = 100;

// The root holds VARIANT.A or VARIANT.B, and every name carries the letter,
// so the two images differ all through.
char VariantOf(TMemoryDB& database) {
  TLockGuard guard(*database.Lock);
  const TDirectoryRecord* root = database.DirList->FirstNode();
  for (const TFileRecord* entry = root ? root->Files : nullptr; entry; entry = entry->Next) {
    if (entry->NameView() == "VARIANT.A") return 'A';
    if (entry->NameView() == "VARIANT.B") return 'B';
  }
  return 0;
}

void BuildVariant(TMemoryDB& database, char variant) {
  TLockGuard guard(*database.Lock);
  database.DirList = std::make_unique<TDDList>();
  TDDList& list = *database.DirList;
  TDirectoryRecord* root = list.AddNode("C:", nullptr);
  list.AddEntry(std::string("VARIANT.") + variant, root);
  char name[32];
  for (int g = 0; g < kGroups; ++g) {
    std::snprintf(name, sizeof name, "GROUP%03d%c", g, variant);
    TDirectoryRecord* group = list.AddNode(name, root);
    for (int d = 0; d < kDirectoriesPerGroup; ++d) {
      std::snprintf(name, sizeof name, "DIR%03d", d);
      TDirectoryRecord* directory = list.AddNode(name, group);
      for (int f = 0; f < kFilesPerDirectory; ++f) {
        std::snprintf(name, sizeof name, "FILE%03d%c.TXT", f, variant);
        list.AddEntry(name, directory);
      }
    }
  }
}

void Say(const char* format, const char* text) {
  std::printf(format, text);
  std::fflush(stdout);
}

}  // namespace

int main() {
  TMemoryDB database(Win32DatabaseHost());
  try {
    const uint32_t checksum = static_cast<uint32_t>(ReadRegInteger(kSettingsKey, "CRC32"));
    std::printf("CHECKSUM %lu\n", static_cast<unsigned long>(checksum));
  } catch (const ERegistry&) {
    std::printf("CHECKSUM none\n");
  }
  const bool loaded = database.LoadFromFile("memdb.dat");
  const char was = loaded ? VariantOf(database) : 0;
  Say("LOADED %s\n", was == 'A' ? "A" : was == 'B' ? "B" : "NONE");

  const char next = was == 'A' ? 'B' : 'A';
  BuildVariant(database, next);
  Say("SAVING %s\n", next == 'A' ? "A" : "B");
  const DWORD start = GetTickCount();
  const bool saved = database.SaveToFile();
  std::printf("SAVED %d %lu\n", saved ? 1 : 0, static_cast<unsigned long>(GetTickCount() - start));
  std::fflush(stdout);
  return saved ? 0 : 1;
}
