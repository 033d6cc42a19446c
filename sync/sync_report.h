// TfrmSync: the synchronization report window, created hidden at start-up.
#pragma once

#include <windows.h>

HWND CreateSyncReport(HWND owner);
