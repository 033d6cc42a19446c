// Identifiers of the synchronization report's template and menu.
#pragma once

#define IDD_SYNC_REPORT "TFRMSYNC"
#define IDR_SYNC_REPORT_MENU "TFRMSYNCMENU"
#define IDC_SYNC_LABEL1 1301
#define IDC_SYNC_PROGRESSBAR1 1302
#define IDC_SYNC_LISTBOX1 1303

// Menu commands.
#define IDM_SYNC_CANCEL 1311
#define IDM_SYNC_EXIT 1312
#define IDM_SYNC_SAVE_TO_DISK 1313
