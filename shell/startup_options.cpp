#include "startup_options.h"

#include "application.h"
#include "forms.h"

namespace {

INT_PTR CALLBACK StartupOptionsProc(HWND window, UINT message, WPARAM, LPARAM) {
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

HWND CreateStartupOptionsDialog(HWND owner) {
  RegisterFormClass("TStartupForm");
  return CreateForm("IDD_STARTUP_OPTIONS", owner, StartupOptionsProc);
}
