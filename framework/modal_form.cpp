#include "modal_form.h"

#include <vector>

namespace {

struct TDisabledWindows {
  HWND Form;
  std::vector<HWND> Windows;
};

BOOL CALLBACK DisableOtherWindow(HWND window, LPARAM parameter) {
  auto& disabled = *reinterpret_cast<TDisabledWindows*>(parameter);
  if (window != disabled.Form && IsWindowVisible(window) && IsWindowEnabled(window)) {
    EnableWindow(window, FALSE);
    disabled.Windows.push_back(window);
  }
  return TRUE;
}

// The thread's other visible windows are disabled for as long as the form
// runs, and enabled again however the form ends.
class TModalScope {
 public:
  explicit TModalScope(HWND form) : disabled_{form, {}} {
    EnumThreadWindows(GetCurrentThreadId(), DisableOtherWindow, reinterpret_cast<LPARAM>(&disabled_));
  }
  ~TModalScope() {
    for (HWND window : disabled_.Windows) {
      if (IsWindow(window)) EnableWindow(window, TRUE);
    }
  }
  TModalScope(const TModalScope&) = delete;
  TModalScope& operator=(const TModalScope&) = delete;

 private:
  TDisabledWindows disabled_;
};

void RunModal(HWND form, HWND focus) {
  TModalScope scope(form);
  SetWindowPos(form, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
  SetForegroundWindow(form);
  if (focus) SendMessageA(form, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(focus), TRUE);
  MSG message;
  while (IsWindowVisible(form)) {
    const BOOL got = GetMessageA(&message, nullptr, 0, 0);
    if (got == 0 || got == -1) {
      ShowWindow(form, SW_HIDE);
      PostQuitMessage(got == 0 ? static_cast<int>(message.wParam) : 0);
      break;
    }
    if (!IsDialogMessageA(form, &message)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
}

}  // namespace

void ShowModalForm(HWND form, HWND focus) {
  const HWND previous = GetForegroundWindow();
  RunModal(form, focus);
  // The window that was in front gets the foreground back once it is
  // enabled again.
  if (previous && previous != form && IsWindowVisible(previous)) SetForegroundWindow(previous);
}
