// The program-wide state shared by start-up, shutdown and the windows.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <memory>

class TMemoryDB;

// The one filename database; created by StartUp, destroyed by ShutDown.
extern std::unique_ptr<TMemoryDB> Database;
// When true, ShutDown neither saves the database nor marks the save good.
extern bool SkipDatabaseSave;
// Signalled once by ShutDown; the driver-link thread waits on it.
extern HANDLE ShutdownEvent;

// Numbers of the three registered window messages.
extern UINT ActivateMessage;
extern UINT EditControlMessage;
extern UINT TrayActivateMessage;

// The hot key: virtual-key code and modifier bits (1 Alt, 2 Shift, 4 Ctrl).
extern uint16_t HotKey;
extern int32_t HotKeyShift;
// Both from the settings "HotKey" and "HotKeyShift".
void ReadHotKey();

// The notification-area icon, in its Windows 95 size of 88 bytes.
extern NOTIFYICONDATAA TrayIconData;

// Fixed names.
extern const char* const kInstanceMutexName;   // "Velkoro96"
extern const char* const kDatabaseFileName;    // "memdb.dat"
extern const char* const kDriverFileName;      // "velkoro.vxd"
extern const char* const kHookLibraryFileName; // "vkhook.dll"
