// TStartupForm: the start-up options dialog, created hidden at start-up and
// run modally from the search window's File > Set Startup Options. Its
// choice goes to the setting "StartupOptions" and to the program's entry in
// the list of programs run at log-on.
#pragma once

#include <windows.h>

// The log-on entry: value "$$VELKORO" of this key under HKEY_LOCAL_MACHINE.
extern const char* const kLogOnRunKey;       // "Software\Microsoft\Windows\CurrentVersion\Run"
extern const char* const kLogOnEntryName;    // "$$VELKORO"

HWND CreateStartupOptionsDialog(HWND owner);
// File > Set Startup Options: runs the dialog modally; returns when it is
// closed.
void ShowStartupOptionsDialog();
