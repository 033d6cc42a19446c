// TStartupForm: the start-up options dialog, created hidden at start-up.
#pragma once

#include <windows.h>

HWND CreateStartupOptionsDialog(HWND owner);
