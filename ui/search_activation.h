// How the search window comes up and goes away: over the window that was in
// front when the hot key was pressed, at its last place from the
// notification-area icon, and hidden again with the foreground handed back.
#pragma once

#include <windows.h>

// The smallest size the window takes, whatever it is asked to cover.
constexpr int kMinimumWindowWidth = 320;
constexpr int kMinimumWindowHeight = 200;

// "ACTIVATETOMBALO": covers the caller window.
void ActivateOverCaller(HWND caller);
// "TRAYACTIVATETOMBALO": the mouse message of the icon is in MouseMessage.
void TrayActivate(LPARAM mouseMessage);
void HideSearchWindow();
// Shows the window where it is, in front, with its task-bar entry.
void ShowSearchWindowInFront();
// Puts the focus in the edit box, its text selected whole.
void FocusSearchEdit();
// The rectangle the window takes when asked to cover Requested: at least the
// minimum size, and moved, keeping its size, to lie on the work area where
// it would stick out of it.
RECT FitToWorkArea(const RECT& requested, const RECT& workArea);
