// Control identifiers of the hot-key dialog's template.
#pragma once

#define IDD_ASSIGN_HOT_KEY "TASSIGNHOTKEY"
#define IDC_HOTKEY_LABEL1 1101
#define IDC_HOTKEY_EDIT1 1102
#define IDC_HOTKEY_LABEL2 1103
// btnSetKey and btnCancel are the dialog's default and cancel buttons.
#define IDC_HOTKEY_BTNSETKEY 1
#define IDC_HOTKEY_BTNCANCEL 2
