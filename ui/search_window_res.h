// Identifiers of the search window's template and its menus.
#pragma once

#define IDD_SEARCH_WINDOW "TFORMUI"

// Menu commands. Tests post these as WM_COMMAND to the window.
#define IDM_SCAN_DRIVES 101
#define IDM_SET_HOT_KEY 102
#define IDM_SET_STARTUP_OPTIONS 103
#define IDM_EXIT 104
#define IDM_DEBUG_EXIT 105
#define IDM_SYNCHRONIZATION_TEST 106
#define IDM_COPY 111
#define IDM_CONTENTS 121
#define IDM_ABOUT 122
#define IDM_MEMORY 123
#define IDM_START_LOG 131
#define IDM_STOP_LOG 132
#define IDM_OPEN 141
#define IDM_EXPLORE 142
