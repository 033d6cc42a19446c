#include "startup_options.h"

#include "forms.h"

HWND CreateStartupOptionsDialog(HWND owner) {
  RegisterFormClass("TStartupForm");
  return CreateForm("IDD_STARTUP_OPTIONS", owner, LayoutOnlyFormProc);
}
