// TAssignHotKey: the hot-key dialog, created hidden at start-up and run
// modally from the search window's File > Set Hot Key.
#pragma once

#include <windows.h>

HWND CreateAssignHotKeyDialog(HWND owner);
// File > Set Hot Key: reads the stored hot key, shows it and runs the dialog
// modally; returns when it is closed.
void ShowAssignHotKeyDialog();
