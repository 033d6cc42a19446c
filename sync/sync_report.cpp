#include "sync_report.h"

#include "application.h"
#include "forms.h"

namespace {

constexpr int kOuterWidth = 434;
constexpr int kOuterHeight = 319;

void FormCreate(HWND window) {
  ApplyPixelLayout(window);
  SetWindowPos(window, nullptr, 0, 0, kOuterWidth, kOuterHeight,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK SyncReportProc(HWND window, UINT message, WPARAM, LPARAM) {
  bool handled = true;
  Guarded([&] {
    switch (message) {
      case WM_INITDIALOG: FormCreate(window); break;
      case WM_CLOSE: ShowWindow(window, SW_HIDE); break;
      default: handled = false;
    }
  });
  return handled ? TRUE : FALSE;
}

}  // namespace

HWND CreateSyncReport(HWND owner) {
  RegisterFormClass("TfrmSync");
  return CreateForm("IDD_SYNC_REPORT", owner, SyncReportProc);
}
