// TFormui: the search window, the program's main window. It receives the
// three registered messages, hides instead of closing, and runs ShutDown
// when it is destroyed.
#pragma once

#include <windows.h>

HWND CreateSearchWindow(HWND owner);
