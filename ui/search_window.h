// TFormui: the search window, the program's main window. It receives the
// three registered messages, hides instead of closing, and runs ShutDown
// when it is destroyed.
#pragma once

#include <windows.h>

#include <string>

HWND CreateSearchWindow(HWND owner);

// velkoro-find --window: brings up the search window as a press on the
// notification-area icon does and, with a pattern (code page 1252), puts it
// in the edit box and searches, so that the status bar shows the count.
// Called from the query thread; true when the window came up.
bool ShowSearchWindowFromCommand(const std::string& pattern);
