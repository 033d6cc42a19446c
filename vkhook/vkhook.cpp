// vkhook.dll: the two exported functions, on the library's one watcher.
//
// When the process ends without InstallHook(0) (any way out but File >
// Exit), nothing is undone here: the system ends the watcher thread before
// it detaches the library, and its window and hot-key registration go with
// it. A FreeLibrary while installed cannot unload the code under the
// watcher, which holds a reference of its own until it ends.
#include <windows.h>

#include "hotkey_watcher.h"

namespace {

vkhook::HotKeyWatcher watcher;

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) watcher.SetModule(instance);
  return TRUE;
}

// Any non-zero Install installs. Removing when nothing is installed does
// nothing and succeeds.
extern "C" BOOL WINAPI InstallHook(BOOL install, HWND window) {
  if (!install) {
    watcher.Remove();
    return TRUE;
  }
  return watcher.Install(window) ? TRUE : FALSE;
}

extern "C" void WINAPI SetKey(DWORD key, DWORD shift) { watcher.SetKey(key, shift); }
