// Identifiers of the search window's template, its controls and its menus.
#pragma once

#define IDD_SEARCH_WINDOW "TFORMUI"
#define IDR_MAIN_MENU "MAINMENU1"
#define IDR_GRID_POPUP "PMLISTBOX"

// Controls of the template.
#define IDC_BUTTON1 1001
// Button2 is the dialog's cancel button, so that Esc reaches it.
#define IDC_BUTTON2 IDCANCEL
#define IDC_BTN_FIND 1003
#define IDC_EDIT_SEARCH_FILENAME 1004
#define IDC_GRID_SEARCH_RESULTS 1005
#define IDC_STATUS_BAR 1006

// Help contexts of the controls and of the menu items that have one.
#define HELP_CONTEXT_EDIT_SEARCH_FILENAME 1
#define HELP_CONTEXT_BTN_FIND 2
#define HELP_CONTEXT_GRID_SEARCH_RESULTS 3
#define HELP_CONTEXT_SCAN_DRIVES 20
#define HELP_CONTEXT_SET_HOT_KEY 21

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
