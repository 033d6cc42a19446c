// Starting velkoro-hotkey, the library's native helper, from beside the
// library: a private host folder for its FIFOs, the program started in it,
// and both FIFOs open once it has made them.
#pragma once

#include <windows.h>

#include <string>

struct TGrabHelperChannel {
  std::string Folder;                      // host path of the private folder
  HANDLE Events = INVALID_HANDLE_VALUE;    // read: the helper's lines
  HANDLE Control = INVALID_HANDLE_VALUE;   // write: the library's lines
};

// False when the helper is not installed beside Module, cannot start, or
// ends before it is ready (no X display): the library then goes on
// without it. Nothing is left behind then.
bool StartGrabHelper(HMODULE module, TGrabHelperChannel& channel);

// Closes both FIFOs (which ends the helper) and removes what it left.
void CloseGrabHelper(TGrabHelperChannel& channel);
