#include "program_state.h"

#include "memory_db.h"
#include "settings_store.h"

std::unique_ptr<TMemoryDB> Database;
bool SkipDatabaseSave = false;
HANDLE ShutdownEvent = nullptr;

UINT ActivateMessage = 0;
UINT EditControlMessage = 0;
UINT TrayActivateMessage = 0;

uint16_t HotKey = 0;
int32_t HotKeyShift = 0;

NOTIFYICONDATAA TrayIconData = {};

const char* const kInstanceMutexName = "Velkoro96";
const char* const kDatabaseFileName = "memdb.dat";
const char* const kDriverFileName = "velkoro.vxd";
const char* const kHookLibraryFileName = "vkhook.dll";

void ReadHotKey() {
  HotKey = static_cast<uint16_t>(ReadRegInteger(kSettingsKey, "HotKey") & 0xFFFF);
  HotKeyShift = ReadRegInteger(kSettingsKey, "HotKeyShift");
}
