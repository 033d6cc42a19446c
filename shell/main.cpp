// The program's entry: platform check, single instance, the application and
// its five forms, start-up, the message loop, and the way out.
#include <windows.h>

#include <string>

#include "application.h"
#include "exceptions.h"
#include "help.h"
#include "hot_key_dialog.h"
#include "program_state.h"
#include "resource.h"
#include "resource_strings.h"
#include "search_window.h"
#include "splash.h"
#include "startup.h"
#include "startup_options.h"
#include "sync_report.h"

namespace {

bool IsWindows95Family() {
  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof version;  // 148 bytes
  return GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

struct TForms {
  HWND SearchWindow = nullptr;
  HWND SyncReport = nullptr;
  HWND Splash = nullptr;
  HWND StartupOptions = nullptr;
  HWND AssignHotKey = nullptr;

  // The search window goes last: its destruction runs ShutDown.
  void DestroyAll() {
    for (HWND* form : {&AssignHotKey, &StartupOptions, &Splash, &SyncReport, &SearchWindow}) {
      if (*form) DestroyWindow(*form);
      *form = nullptr;
    }
  }
};

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  Application.Title = LoadResourceString(IDS_APPLICATION_TITLE);
  if (!IsWindows95Family()) {
    MessageBoxA(nullptr, LoadResourceString(IDS_PLATFORM_REFUSED).c_str(), Application.Title.c_str(),
                MB_ICONERROR);
    return 0;
  }

  const HANDLE instanceMutex = CreateMutexA(nullptr, TRUE, kInstanceMutexName);
  if (GetLastError() == ERROR_ALREADY_EXISTS) return 0;

  Application.HelpFile = ApplicationHelpFile();
  Application.OnShutDown = ShutDown;
  Application.CreateHandle(instance);

  TForms forms;
  try {
    forms.SearchWindow = CreateSearchWindow(Application.Handle());
    forms.SyncReport = CreateSyncReport(Application.Handle());
    forms.Splash = CreateSplash(Application.Handle());
    forms.StartupOptions = CreateStartupOptionsDialog(Application.Handle());
    forms.AssignHotKey = CreateAssignHotKeyDialog(Application.Handle());
    if (StartUp(forms.SearchWindow)) Application.Run();
  } catch (const std::exception& exception) {
    ShowExceptionBox(exception);
  }

  if (instanceMutex) ReleaseMutex(instanceMutex);
  forms.DestroyAll();
  return 0;
}
