#include "startup.h"

#include <string>

#include "application.h"
#include "exceptions.h"
#include "executive.h"
#include "vkhook.h"
#include "memory_db.h"
#include "program_state.h"
#include "query_server.h"
#include "resource.h"
#include "resource_strings.h"
#include "search_window.h"
#include "settings_store.h"
#include "splash.h"
#include "win32_database_host.h"

namespace {

// The service registration: the entry point found at start-up and the
// library it was found in, used again at shutdown.
using RegisterServiceProcessProc = DWORD(WINAPI*)(DWORD processId, DWORD type);
HMODULE ServiceLibrary = nullptr;
RegisterServiceProcessProc RegisterServiceProcessEntry = nullptr;

constexpr UINT kTrayIconId = 132;
constexpr DWORD kServiceRegister = 1;
constexpr DWORD kServiceUnregister = 0;
constexpr int kStartAutomaticallyWithoutReSync = 2;
constexpr int kStartAutomatically = 1;

// The driver-link thread, started by StartUp. ShutDown waits this long for
// it to deregister from the driver (which itself waits a few seconds at most
// for its monitor to end).
std::unique_ptr<TExecutive> DriverLink;
constexpr DWORD kDriverLinkEndMs = 10000;

// The query channel of velkoro-find, opened by StartUp once the database is
// loaded or built, so that no shell is answered from an empty tree; nil
// when it could not be set up, as the program runs on without it.
std::unique_ptr<TQueryServer> QueryServer;

void RegisterAsService() {
  ServiceLibrary = LoadLibraryA("kernel32.dll");
  if (ServiceLibrary) {
    RegisterServiceProcessEntry = reinterpret_cast<RegisterServiceProcessProc>(
        reinterpret_cast<void*>(GetProcAddress(ServiceLibrary, "RegisterServiceProcess")));
  }
  if (RegisterServiceProcessEntry) RegisterServiceProcessEntry(GetCurrentProcessId(), kServiceRegister);
}

bool FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

EInitialization InitializationError(unsigned id, const std::string& fileName) {
  const std::string product = ProductName();
  return EInitialization(ResourceText(id, {fileName, product, product}));
}

int ReadSetting(const char* name) { return ReadRegInteger(kSettingsKey, name); }

// The progress panel, shown and closed again, with a scan in between when
// Scan is set. A confirmed cancel of the scan becomes ETerminate, which the
// caller turns into the end of the program.
void ScanWithProgress(bool scan) {
  ShowSplash(smScan);
  UserTerminate = false;
  if (scan) Database->ScanDrives(kDatabaseFileName);
  CloseSplash();
}

// Loads "memdb.dat" or scans the drives, as the last run's clean end (S) and
// the start-up option (O) decide.
void LoadOrScan(int saveSuccessful, int startupOptions) {
  if (saveSuccessful == 1 || startupOptions == kStartAutomaticallyWithoutReSync) {
    if (!Database->LoadFromFile(kDatabaseFileName)) {
      ScanWithProgress(startupOptions == kStartAutomatically);
    }
    WriteRegInteger(kSettingsKey, "SaveSuccessful", 0);
  } else {
    ScanWithProgress(true);
  }
}

}  // namespace

bool CheckRequiredFiles() {
  char systemDirectory[260] = {};
  GetSystemDirectoryA(systemDirectory, sizeof systemDirectory);
  if (!FileExists(std::string(systemDirectory) + "\\" + kDriverFileName)) {
    throw InitializationError(IDS_LOAD_VXD_FAILED, kDriverFileName);
  }
  if (!FileExists(kHookLibraryFileName)) {
    throw InitializationError(IDS_LOAD_DLL_FAILED, kHookLibraryFileName);
  }
  return true;
}

bool RegisterMessages() {
  ActivateMessage = RegisterWindowMessageA("ACTIVATETOMBALO");
  EditControlMessage = RegisterWindowMessageA("EDITCONTROLTOMBALO");
  TrayActivateMessage = RegisterWindowMessageA("TRAYACTIVATETOMBALO");
  return ActivateMessage != 0 && EditControlMessage != 0 && TrayActivateMessage != 0;
}

bool AddTrayIcon(HWND window) {
  TrayIconData = {};
  TrayIconData.cbSize = NOTIFYICONDATAA_V1_SIZE;
  TrayIconData.hWnd = window;
  TrayIconData.uID = kTrayIconId;
  TrayIconData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  TrayIconData.uCallbackMessage = TrayActivateMessage;
  TrayIconData.hIcon = LoadIconA(GetModuleHandleA(nullptr), IDI_MAINICON);
  lstrcpynA(TrayIconData.szTip, ProductName().c_str(), 64);
  return Shell_NotifyIconA(NIM_ADD, &TrayIconData) != FALSE;
}

bool StartUp(HWND window) {
  RegisterAsService();
  Database.reset();
  SetCurrentDirectoryA(ReadRegString(kSettingsKey, "Directory").c_str());
  CheckRequiredFiles();
  ShowSplash(smStartup);
  Database = std::make_unique<TMemoryDB>(Win32DatabaseHost());

  int saveSuccessful = 0;
  int startupOptions = 0;
  try {
    SkipDatabaseSave = false;
    saveSuccessful = ReadSetting("SaveSuccessful");
    ShutdownEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (!(InstallHook(TRUE, window) & 0xFF)) {
      const std::string product = ProductName();
      throw EInitialization(ResourceText(IDS_INIT_DLL_FAILED, {product, product, product}));
    }
    ReadHotKey();
    SetKey(HotKey, static_cast<DWORD>(HotKeyShift));
    if (!RegisterMessages()) {
      throw EInitialization(ResourceText(IDS_REGISTER_MESSAGES_FAILED, {ProductName()}));
    }
    Application.ProcessMessages();
    startupOptions = ReadSetting("StartupOptions");
  } catch (...) {
    // The database is still empty: it must never overwrite "memdb.dat".
    SkipDatabaseSave = true;
    throw;
  }

  try {
    LoadOrScan(saveSuccessful, startupOptions);
  } catch (const ETerminate&) {
    SkipDatabaseSave = true;
    return false;
  } catch (...) {
    // A load or scan that failed otherwise (for instance a missing "CRC32")
    // leaves an empty or partial tree, which must not replace "memdb.dat"
    // nor be marked as a good save.
    SkipDatabaseSave = true;
    throw;
  }

  DriverLink = std::make_unique<TExecutive>();
  QueryServer = TQueryServer::Open(*Database, ShowSearchWindowFromCommand);
  return AddTrayIcon(window);
}

void ShutDown() {
  // The end of the session shuts down at once, the window's destruction
  // comes later: only the first call does the work.
  static bool shutDownDone = false;
  if (shutDownDone) return;
  shutDownDone = true;
  if (ShutdownEvent) SetEvent(ShutdownEvent);
  // The channel goes first, so that a shell asking now hears at once that
  // the program has gone; a query thread still inside a search keeps the
  // database alive below, as the driver-link thread does.
  const bool queryServerEnded = !QueryServer || QueryServer->Stop();
  if (queryServerEnded) {
    QueryServer.reset();
  } else {
    (void)QueryServer.release();
  }
  // The driver-link thread applies changes to the database inside its wait.
  // ShutDown waits for it to leave the wait, deregister and close the
  // driver, so that no change is applied to a database being destroyed; a
  // change the driver still held then is lost with the session, as it
  // would be once the program has ended.
  const bool driverLinkEnded = !DriverLink || DriverLink->WaitFor(kDriverLinkEndMs);
  if (!SkipDatabaseSave && Database) {
    // Only a save that really reached the disk may be trusted at the next
    // start; a failed one leaves "SaveSuccessful" at 0, so the next start
    // scans rather than loading a damaged or missing file.
    if (Database->SaveToFile()) WriteRegInteger(kSettingsKey, "SaveSuccessful", 1);
  }
  // A thread that did not end in time may still be inside a change: the
  // database is then left to the end of the process rather than freed
  // under it.
  if (driverLinkEnded && queryServerEnded) {
    Database.reset();
  } else {
    (void)Database.release();
  }
  if (TrayIconData.cbSize) Shell_NotifyIconA(NIM_DELETE, &TrayIconData);
  if (RegisterServiceProcessEntry) RegisterServiceProcessEntry(GetCurrentProcessId(), kServiceUnregister);
  if (ServiceLibrary) FreeLibrary(ServiceLibrary);
  ServiceLibrary = nullptr;
  RegisterServiceProcessEntry = nullptr;
}
