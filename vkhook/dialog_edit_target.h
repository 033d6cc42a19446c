// Which edit control, if any, the program may later type a path into.
#pragma once

#include <windows.h>

namespace vkhook {

// The focused control of the window in front, when that window is a dialog
// box ("#32770") of a process other than programProcess and the control is
// a single-line, writable "Edit" inside it; otherwise null.
HWND FindDialogEditTarget(HWND foreground, DWORD programProcess);

}  // namespace vkhook
