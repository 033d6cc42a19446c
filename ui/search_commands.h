// The search window's commands: the search, the actions on the selected
// result, and the menu commands, under the handler names of the form.
#pragma once

#include <windows.h>

void RunSearch();
// The double-click action, also Enter in the grid.
void gridSearchResultsDblClick();
void OpenClick();
void ExploreClick();
void Copy1Click();
void ScanDrives1Click();
void SetHotKey1Click();
void SetStartupOptions1Click();
void Exit1Click();
void Contents1Click();
void About1Click();
// The hidden debug items do nothing.
void DebugExit1Click();
void Filename1Click();
void Memory1Click();
void Startlog1Click();
void Stoplog1Click();

// Whether a scan of the drives is under way: the start-up scan or File >
// Scan Drives, with its progress panel up, or cancelled and not yet
// unwound. Nothing may then start another scan, free the database or take
// the progress panel for the About box.
bool ScanRunning();
