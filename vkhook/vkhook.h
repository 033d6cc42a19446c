// The two functions of vkhook.dll, as callers declare them.
//
// InstallHook(1, window): from now on the watched key combination sends the
// registered message "ACTIVATETOMBALO" to window (wParam: the top-level
// window that was in front), preceded by "EDITCONTROLTOMBALO" (wParam: the
// focused single-line edit) when the window in front is another program's
// dialog box. InstallHook(0, ...) stops the messages; once it has returned,
// none is left in flight. Only the low byte of the result is meaningful.
//
// SetKey(key, shift): the virtual-key code in the low 16 bits of key, the
// modifier bits 1 = Alt, 2 = Shift, 4 = Ctrl in shift. Takes effect before
// it returns, whether or not the hook is installed.
#pragma once

#include <windows.h>

extern "C" {
__declspec(dllimport) BOOL WINAPI InstallHook(BOOL install, HWND window);
__declspec(dllimport) void WINAPI SetKey(DWORD key, DWORD shift);
}
