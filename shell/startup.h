// Start-up and shutdown: the fixed order in which the program comes up and
// goes down, and the load-or-scan decision around "SaveSuccessful".
#pragma once

#include <windows.h>

// True: everything is up, run the message loop. False: end without a loop
// (a cancelled start-up scan, or the icon could not be added). Every other
// failure is raised.
bool StartUp(HWND window);
// Runs on every way out: from the search window's destruction, and earlier
// from the end of the session; later calls do nothing.
void ShutDown();

bool CheckRequiredFiles();
bool RegisterMessages();
bool AddTrayIcon(HWND window);
