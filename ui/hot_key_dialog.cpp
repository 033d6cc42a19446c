#include "hot_key_dialog.h"

#include "application.h"
#include "forms.h"

namespace {

INT_PTR CALLBACK AssignHotKeyProc(HWND window, UINT message, WPARAM, LPARAM) {
  bool handled = true;
  Guarded([&] {
    switch (message) {
      case WM_INITDIALOG: ApplyPixelLayout(window); break;
      case WM_CLOSE: ShowWindow(window, SW_HIDE); break;
      default: handled = false;
    }
  });
  return handled ? TRUE : FALSE;
}

}  // namespace

HWND CreateAssignHotKeyDialog(HWND owner) {
  RegisterFormClass("TAssignHotKey");
  return CreateForm("IDD_ASSIGN_HOT_KEY", owner, AssignHotKeyProc);
}
