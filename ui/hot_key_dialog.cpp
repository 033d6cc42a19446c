#include "hot_key_dialog.h"

#include "forms.h"

namespace {

HWND Dialog = nullptr;

}  // namespace

HWND CreateAssignHotKeyDialog(HWND owner) {
  RegisterFormClass("TAssignHotKey");
  Dialog = CreateForm("IDD_ASSIGN_HOT_KEY", owner, LayoutOnlyFormProc);
  return Dialog;
}

// So far the dialog has only its layout: it is shown, not yet run.
void ShowAssignHotKeyDialog() { ShowWindow(Dialog, SW_SHOW); }
