// TfrmSplash: one small window in three roles - the start-up splash that
// closes itself, the About box, and the scan-progress panel whose Cancel
// stops the scan and with it the program.
#pragma once

#include <windows.h>

enum TSplashMode { smStartup, smAbout, smScan };

// The role of the last ShowSplash.
extern TSplashMode SplashMode;
// The user's confirmed request to cancel the running scan; callers clear it
// before each scan, the scan raises ETerminate when it finds it set.
extern bool UserTerminate;

HWND CreateSplash(HWND owner);
// Sets the window up for Mode and shows it; returns at once for smStartup
// and smScan, and when the About box is closed for smAbout.
void ShowSplash(TSplashMode mode);
// Hides the window (the callers after a scan, and its own close).
void CloseSplash();
bool SplashVisible();
// The scan's progress, 0 to 100.
void SetSplashProgress(int position);
