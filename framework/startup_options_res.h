// Control identifiers of the start-up options dialog's template.
#pragma once

#define IDD_STARTUP_OPTIONS "TSTARTUPFORM"
#define IDC_STARTUP_RADIOBUTTON1 1201
#define IDC_STARTUP_RADIOBUTTON2 1202
#define IDC_STARTUP_RADIOBUTTON3 1203
// btnOK and btnCancel are the dialog's default and cancel buttons.
#define IDC_STARTUP_BTNOK 1
#define IDC_STARTUP_BTNCANCEL 2
