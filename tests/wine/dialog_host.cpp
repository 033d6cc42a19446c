// dialog_host.exe: stands in for the search window in the end-to-end tests
// of the hot-key dialog, the start-up options and the help. Its window, of
// class "VkDialogHost", opens them on the search window's own menu commands
// (posted as WM_COMMAND), and comes up on the hot key as the search window
// does, so that a test sees which combination the keyboard-hook library
// watches. Run it in the installation directory of an installed program:
// it reads the installed settings and loads the installed vkhook.dll.
#include <windows.h>
#include <commctrl.h>

#include <exception>

#include "application.h"
#include "help.h"
#include "hot_key_dialog.h"
#include "program_state.h"
#include "resource.h"
#include "resource_strings.h"
#include "search_window_res.h"
#include "settings_store.h"
#include "startup.h"
#include "startup_options.h"
#include "vkhook.h"

namespace {

constexpr char kHostClass[] = "VkDialogHost";

void ShowHost(HWND window) {
  ShowWindow(window, SW_SHOW);
  SetForegroundWindow(window);
}

void Command(HWND window, WORD id) {
  switch (id) {
    case IDM_SET_HOT_KEY: ShowAssignHotKeyDialog(); break;
    case IDM_SET_STARTUP_OPTIONS: ShowStartupOptionsDialog(); break;
    case IDM_CONTENTS: ShowHelpContents(window); break;
  }
}

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != 0 && message == ActivateMessage) {
    ShowHost(window);
    return 0;
  }
  switch (message) {
    case WM_COMMAND: Guarded([&] { Command(window, LOWORD(wParam)); }); return 0;
    case WM_CLOSE: ShowWindow(window, SW_HIDE); return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// As the search window's handler: show the message, then end.
void HostException(const std::exception& exception) {
  MessageBoxA(nullptr, exception.what(), ProductName().c_str(), MB_ICONERROR);
  Application.Terminate();
}

HWND CreateHost(HINSTANCE instance) {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = HostProc;
  windowClass.hInstance = instance;
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kHostClass;
  RegisterClassA(&windowClass);
  return CreateWindowExA(0, kHostClass, "Dialog host", WS_OVERLAPPEDWINDOW, 200, 150, 486, 399, nullptr,
                         nullptr, instance, nullptr);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  InitCommonControls();
  Application.Title = LoadResourceString(IDS_APPLICATION_TITLE);
  Application.HelpFile = ApplicationHelpFile();
  Application.CreateHandle(instance);
  Application.OnException = HostException;
  try {
    SetCurrentDirectoryA(ReadRegString(kSettingsKey, "Directory").c_str());
    const HWND host = CreateHost(instance);
    CreateStartupOptionsDialog(Application.Handle());
    CreateAssignHotKeyDialog(Application.Handle());
    RegisterMessages();
    InstallHook(TRUE, host);
    ReadHotKey();
    SetKey(HotKey, static_cast<DWORD>(HotKeyShift));
    Application.Run();
    InstallHook(FALSE, host);
  } catch (const std::exception& exception) {
    MessageBoxA(nullptr, exception.what(), "dialog_host", MB_ICONERROR);
    return 1;
  }
  return 0;
}
