#include "search_activation.h"

#include "application.h"
#include "search_form.h"
#include "splash.h"

namespace {

int Width(const RECT& bounds) { return bounds.right - bounds.left; }
int Height(const RECT& bounds) { return bounds.bottom - bounds.top; }

// Keeps a span of Length starting at Start within [Low, High), preferring
// its start when it cannot fit.
LONG FitSpan(LONG start, int length, LONG low, LONG high) {
  if (start + length > high) start = high - length;
  if (start < low) start = low;
  return start;
}

RECT WorkArea() {
  RECT area = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
  return area;
}

void PlaceAndShow(HWND insertAfter, const RECT& bounds) {
  TFormui& form = Formui();
  SetWindowPos(form.Handle, insertAfter ? insertAfter : HWND_TOP, bounds.left, bounds.top, Width(bounds),
               Height(bounds), SWP_SHOWWINDOW);
  ShowSearchWindowInFront();
  SetForegroundWindow(form.Handle);
  FocusSearchEdit();
}

}  // namespace

RECT FitToWorkArea(const RECT& requested, const RECT& workArea) {
  const int width = Width(requested) > kMinimumWindowWidth ? Width(requested) : kMinimumWindowWidth;
  const int height = Height(requested) > kMinimumWindowHeight ? Height(requested) : kMinimumWindowHeight;
  RECT fitted;
  fitted.left = FitSpan(requested.left, width, workArea.left, workArea.right);
  fitted.top = FitSpan(requested.top, height, workArea.top, workArea.bottom);
  fitted.right = fitted.left + width;
  fitted.bottom = fitted.top + height;
  return fitted;
}

void ShowSearchWindowInFront() {
  const HWND window = Formui().Handle;
  ShowWindow(window, SW_SHOW);
  BringWindowToTop(window);
  Application.ShowTaskBarEntry(true);
}

void FocusSearchEdit() {
  const HWND edit = Formui().editSearchFilename;
  SetFocus(edit);
  SendMessageA(edit, EM_SETSEL, 0, -1);
}

// The window covers the caller exactly, unless that would make it too small
// to use (the hot key pressed over the task bar or a tiny window) or put it
// partly off the work area.
//
// The hook library names the desktop when no program's window was in front
// (the key pressed over a native Linux program): there is nothing to cover,
// so the window comes up at its last place, as from the icon.
void ActivateOverCaller(HWND caller) {
  if (caller == nullptr || caller == GetDesktopWindow()) {
    Formui().CallerWindow = GetDesktopWindow();
    RECT bounds;
    GetWindowRect(Formui().Handle, &bounds);
    PlaceAndShow(HWND_TOP, bounds);
    return;
  }
  Formui().CallerWindow = caller;
  RECT bounds;
  if (!GetWindowRect(caller, &bounds)) GetWindowRect(Formui().Handle, &bounds);
  PlaceAndShow(GetParent(caller), FitToWorkArea(bounds, WorkArea()));
}

void TrayActivate(LPARAM mouseMessage) {
  if (mouseMessage != WM_LBUTTONDOWN && mouseMessage != WM_RBUTTONDOWN) return;
  if (SplashVisible()) return;
  Formui().CallerWindow = nullptr;
  RECT bounds;
  GetWindowRect(Formui().Handle, &bounds);
  PlaceAndShow(HWND_TOP, bounds);
}

void HideSearchWindow() {
  TFormui& form = Formui();
  // Called up over no window of Wine's: the desktop takes the foreground
  // before the window hides, or hiding it would activate some other Wine
  // window (the system tray's), which takes the X focus that the hook
  // library is giving back to the native program.
  const bool overDesktop = form.CallerWindow == GetDesktopWindow();
  if (overDesktop && GetForegroundWindow() == form.Handle) SetForegroundWindow(form.CallerWindow);
  ShowWindow(form.Handle, SW_HIDE);
  Application.ShowTaskBarEntry(false);
  if (form.CallerWindow && !overDesktop) SetForegroundWindow(form.CallerWindow);
}
