// TfrmSync: the synchronization report window, created hidden at start-up.
// It has a progress bar, a list of report lines, and commands to cancel the
// running scan, to hide the window and to save the lines to "synclog.dat".
// Nothing in the program fills it or shows it yet.
#pragma once

#include <windows.h>

extern const char* const kSyncLogFileName;  // "synclog.dat"

HWND CreateSyncReport(HWND owner);
