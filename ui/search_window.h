// TFormui: the search window, the program's main window. It receives the
// three registered messages, hides instead of closing, and runs ShutDown
// when it is destroyed.
#pragma once

#include <windows.h>

// The edit control named by the last "EDITCONTROLTOMBALO"; never owned.
extern HWND TargetEditControl;

HWND CreateSearchWindow(HWND owner);
