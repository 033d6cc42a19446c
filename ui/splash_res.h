// Control identifiers of the splash window's template.
#pragma once

#define IDD_SPLASH "TFRMSPLASH"
#define IDC_SPLASH_IMAGE1 1001
#define IDC_SPLASH_LABEL1 1002
#define IDC_SPLASH_LABEL8 1003
#define IDC_SPLASH_LABEL6 1004
#define IDC_SPLASH_PROGRESSBAR1 1005
// btnOK and btnCancel are the dialog's default and cancel buttons.
#define IDC_SPLASH_BTNOK 1
#define IDC_SPLASH_BTNCANCEL 2
#define IDT_SPLASH_TIMER1 1
