// Identifiers shared by the resource scripts and the code. The string
// numbers are fixed: other tools and the help file refer to them.
#pragma once

// Start-up failures.
#define IDS_INIT_DLL_FAILED 4096
#define IDS_REGISTER_MESSAGES_FAILED 4097
#define IDS_LOAD_VXD_FAILED 4098
#define IDS_LOAD_DLL_FAILED 4099
#define IDS_INIT_VXD_FAILED 4100

// Scan and search.
#define IDS_CANCEL_SCAN_CONFIRM 4101
#define IDS_FILES_FOUND 4102

// Program texts that have no number of their own elsewhere.
#define IDS_PLATFORM_REFUSED 4200
#define IDS_APPLICATION_TITLE 4201
#define IDS_PRODUCT_NAME 4202
#define IDS_TYPE_DWORD 4203
#define IDS_TYPE_STRING 4204

#define IDS_EXIT_CONFIRM 4352

// Hot-key texts: modifier prefixes, then key names.
#define IDS_MODIFIER_SHIFT 4608
#define IDS_MODIFIER_CTRL 4609
#define IDS_MODIFIER_ALT 4610
#define IDS_KEY_BACKSPACE 4611
#define IDS_KEY_HELP 4630

// Settings failures.
#define IDS_REG_KEY_FAILED 8192
#define IDS_REG_VALUE_FAILED 8193
#define IDS_REG_TYPE_MISMATCH 8194
#define IDS_REG_WRITE_FAILED 8195

// Hot-key dialog, start-up options and synchronization report: the key
// names between the first and the last (4611 to 4630), and the report's
// file errors.
#define IDS_KEY_TAB 4612
#define IDS_KEY_CLEAR 4613
#define IDS_KEY_RETURN 4614
#define IDS_KEY_PAUSE 4615
#define IDS_KEY_ESCAPE 4616
#define IDS_KEY_SPACE 4617
#define IDS_KEY_PRIOR 4618
#define IDS_KEY_NEXT 4619
#define IDS_KEY_END 4620
#define IDS_KEY_HOME 4621
#define IDS_KEY_LEFT 4622
#define IDS_KEY_UP 4623
#define IDS_KEY_RIGHT 4624
#define IDS_KEY_DOWN 4625
#define IDS_KEY_SELECT 4626
#define IDS_KEY_PRINT 4627
#define IDS_KEY_INSERT 4628
#define IDS_KEY_DELETE 4629
#define IDS_CANNOT_CREATE_FILE 4250
#define IDS_CANNOT_WRITE_FILE 4251

// The search window's grid: its column titles.
#define IDS_COLUMN_FILENAME 4720
#define IDS_COLUMN_PATH 4721

// The program's icon, also used by the notification area.
#define IDI_MAINICON "MAINICON"
