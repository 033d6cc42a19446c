#include "startup_options.h"

#include "forms.h"

namespace {

HWND Dialog = nullptr;

}  // namespace

HWND CreateStartupOptionsDialog(HWND owner) {
  RegisterFormClass("TStartupForm");
  Dialog = CreateForm("IDD_STARTUP_OPTIONS", owner, LayoutOnlyFormProc);
  return Dialog;
}

// So far the dialog has only its layout: it is shown, not yet run.
void ShowStartupOptionsDialog() { ShowWindow(Dialog, SW_SHOW); }
