#include "sync_report.h"

#include "forms.h"

namespace {

constexpr int kOuterWidth = 434;
constexpr int kOuterHeight = 319;

}  // namespace

HWND CreateSyncReport(HWND owner) {
  RegisterFormClass("TfrmSync");
  const HWND form = CreateForm("IDD_SYNC_REPORT", owner, LayoutOnlyFormProc);
  // The report's size is given as its outer size, frame included.
  if (form) {
    SetWindowPos(form, nullptr, 0, 0, kOuterWidth, kOuterHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  return form;
}
