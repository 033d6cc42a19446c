#include "search_window.h"

#include <exception>

#include "application.h"
#include "exceptions.h"
#include "forms.h"
#include "program_state.h"
#include "resource_strings.h"
#include "search_window_res.h"
#include "splash.h"
#include "startup.h"

HWND TargetEditControl = nullptr;

namespace {

// The design's outer bounds of the window, in pixels.
constexpr RECT kDesignBounds = {304, 162, 304 + 486, 162 + 399};

struct TFormui {
  HWND Handle = nullptr;
  HWND CallerWindow = nullptr;  // the window in front at the last hot key
  bool AllowClose = false;
};
TFormui Form;

void SetResult(LRESULT result) { SetWindowLongPtrA(Form.Handle, DWLP_MSGRESULT, result); }

void HideSearchWindow() {
  ShowWindow(Form.Handle, SW_HIDE);
  Application.ShowTaskBarEntry(false);
  if (Form.CallerWindow) SetForegroundWindow(Form.CallerWindow);
}

// Brings the window up at Bounds, inserted after InsertAfter.
void ShowAt(HWND insertAfter, const RECT& bounds) {
  SetWindowPos(Form.Handle, insertAfter ? insertAfter : HWND_TOP, bounds.left, bounds.top,
               bounds.right - bounds.left, bounds.bottom - bounds.top, SWP_SHOWWINDOW);
  ShowWindow(Form.Handle, SW_SHOW);
  BringWindowToTop(Form.Handle);
  Application.ShowTaskBarEntry(true);
  SetForegroundWindow(Form.Handle);
}

// Any exception that escapes a command or a message handler ends the
// program; a cancelled scan ends it without saving.
void AppException(const std::exception& exception) {
  if (dynamic_cast<const ETerminate*>(&exception)) {
    SkipDatabaseSave = true;
  } else {
    MessageBoxA(nullptr, exception.what(), ProductName().c_str(), MB_ICONERROR);
  }
  Application.Terminate();
}

void FormCreate(HWND window) {
  Form.Handle = window;
  Application.OnException = AppException;
  Form.AllowClose = true;
  ApplyPixelLayout(window);
  SetWindowPos(window, nullptr, kDesignBounds.left, kDesignBounds.top,
               kDesignBounds.right - kDesignBounds.left, kDesignBounds.bottom - kDesignBounds.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
  TargetEditControl = nullptr;
  Form.AllowClose = false;
}

void FormDestroy() { ShutDown(); }

// Closing only hides the window, unless Exit or the end of the session has
// decided that the program ends.
void FormCloseQuery() {
  HideSearchWindow();
  if (Form.AllowClose) Application.Terminate();
}

void WMSysCommand(WPARAM command, bool& handled) {
  if ((command & 0xFFF0) == SC_MINIMIZE) {
    FormCloseQuery();
    SetResult(0);
    handled = true;
  }
}

void WMQueryEndSession() {
  FormCloseQuery();
  SetResult(1);
}

void WMEndSession(WPARAM sessionEnds) {
  if (sessionEnds) {
    Form.AllowClose = true;
    FormCloseQuery();
  }
  SetResult(0);
}

void TrayActivate(LPARAM mouseMessage) {
  if (mouseMessage != WM_LBUTTONDOWN && mouseMessage != WM_RBUTTONDOWN) return;
  if (SplashVisible()) return;
  Form.CallerWindow = nullptr;
  RECT bounds;
  GetWindowRect(Form.Handle, &bounds);
  ShowAt(HWND_TOP, bounds);
}

// The hot key: the window covers exactly the window that was in front.
void Activate(HWND caller) {
  Form.CallerWindow = caller;
  RECT bounds;
  GetWindowRect(caller, &bounds);
  ShowAt(GetParent(caller), bounds);
}

void EditControlNamed(HWND editControl) { TargetEditControl = editControl; }

// The registered messages have numbers known only at run time.
bool DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == 0) return false;
  if (message == TrayActivateMessage) {
    TrayActivate(lParam);
  } else if (message == ActivateMessage) {
    Activate(reinterpret_cast<HWND>(wParam));
  } else if (message == EditControlMessage) {
    EditControlNamed(reinterpret_cast<HWND>(wParam));
  } else {
    return false;
  }
  return true;
}

INT_PTR CALLBACK SearchWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  bool handled = true;
  Guarded([&] {
    switch (message) {
      case WM_INITDIALOG: FormCreate(window); break;
      case WM_DESTROY: FormDestroy(); break;
      case WM_CLOSE: FormCloseQuery(); break;
      case WM_SYSCOMMAND: handled = false; WMSysCommand(wParam, handled); break;
      case WM_QUERYENDSESSION: WMQueryEndSession(); break;
      case WM_ENDSESSION: WMEndSession(wParam); break;
      default: handled = DefaultHandler(message, wParam, lParam);
    }
  });
  return handled ? TRUE : FALSE;
}

}  // namespace

HWND CreateSearchWindow(HWND owner) {
  RegisterFormClass("TFormui");
  return CreateForm(IDD_SEARCH_WINDOW, owner, SearchWindowProc);
}
