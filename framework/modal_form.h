// Runs a form that was created at start-up as a modal dialog: the rest of
// the program's windows wait until it is hidden again.
#pragma once

#include <windows.h>

// Shows Form, gives the focus to Focus (or leaves it to the dialog manager
// when Focus is null) and returns once Form is hidden. A WM_QUIT met on the
// way hides the form and is put back for the main loop.
void ShowModalForm(HWND form, HWND focus);
