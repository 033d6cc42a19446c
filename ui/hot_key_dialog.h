// TAssignHotKey: the hot-key dialog, created hidden at start-up.
#pragma once

#include <windows.h>

HWND CreateAssignHotKeyDialog(HWND owner);
