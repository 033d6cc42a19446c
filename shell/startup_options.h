// TStartupForm: the start-up options dialog, created hidden at start-up.
#pragma once

#include <windows.h>

HWND CreateStartupOptionsDialog(HWND owner);
// File > Set Startup Options: runs the dialog modally; returns when it is
// closed.
void ShowStartupOptionsDialog();
