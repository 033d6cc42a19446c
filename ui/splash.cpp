#include "splash.h"

#include <commctrl.h>

#include "application.h"
#include "forms.h"
#include "resource.h"
#include "resource_strings.h"
#include "splash_res.h"

TSplashMode SplashMode = smStartup;
bool UserTerminate = false;

namespace {

constexpr int kClientWidth = 288;
constexpr int kClientHeight = 384;
constexpr UINT kResourceTimerInterval = 10000;
constexpr UINT kShortTimerInterval = 5000;

// The splash window and what it keeps between roles. The window is
// created once and only shown and hidden afterwards.
struct TfrmSplash {
  HWND Handle = nullptr;
  HFONT TitleFont = nullptr;
  HFONT BoldFont = nullptr;
  UINT TimerInterval = kResourceTimerInterval;
  bool RaisedBevel = true;
};
TfrmSplash Splash;

HWND Control(int id) { return GetDlgItem(Splash.Handle, id); }
bool ControlVisible(int id) { return IsWindowVisible(Control(id)) != FALSE; }
void ShowControl(int id, bool show) { ShowWindow(Control(id), show ? SW_SHOW : SW_HIDE); }

// The progress area (pnlInit): the "Scanning ..." label and the bar.
void ShowProgressArea(bool show) {
  ShowControl(IDC_SPLASH_LABEL6, show);
  ShowControl(IDC_SPLASH_PROGRESSBAR1, show);
}

void StartTimer(bool enabled) {
  KillTimer(Splash.Handle, IDT_SPLASH_TIMER1);
  if (enabled) SetTimer(Splash.Handle, IDT_SPLASH_TIMER1, Splash.TimerInterval, nullptr);
}

// Border style "none" (a bare popup) or "tool window", keeping the client
// area at its design size.
void SetBorderStyle(bool toolWindow) {
  LONG style = GetWindowLongA(Splash.Handle, GWL_STYLE);
  LONG extended = GetWindowLongA(Splash.Handle, GWL_EXSTYLE);
  style &= ~(WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | WS_THICKFRAME | WS_BORDER | WS_DLGFRAME);
  extended &= ~(WS_EX_TOOLWINDOW | WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE);
  if (toolWindow) {
    style |= WS_CAPTION | WS_SYSMENU;
    extended |= WS_EX_TOOLWINDOW;
  }
  SetWindowLongA(Splash.Handle, GWL_STYLE, style | WS_POPUP);
  SetWindowLongA(Splash.Handle, GWL_EXSTYLE, extended);
  SetWindowPos(Splash.Handle, nullptr, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  SetClientSize(Splash.Handle, kClientWidth, kClientHeight);
  CentreOnScreen(Splash.Handle);
}

void CloseWindow() {
  KillTimer(Splash.Handle, IDT_SPLASH_TIMER1);
  ShowWindow(Splash.Handle, SW_HIDE);
}

// Shows the About box modally: the rest of the program's windows wait
// until it is closed.
void RunModal() {
  const HWND owner = GetWindow(Splash.Handle, GW_OWNER);
  EnableWindow(owner, FALSE);
  ShowWindow(Splash.Handle, SW_SHOW);
  SetForegroundWindow(Splash.Handle);
  MSG message;
  while (IsWindowVisible(Splash.Handle)) {
    const BOOL got = GetMessageA(&message, nullptr, 0, 0);
    if (got == 0 || got == -1) {
      PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    if (!IsDialogMessageA(Splash.Handle, &message)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
  EnableWindow(owner, TRUE);
}

void FormCreate(HWND window) {
  Splash.Handle = window;
  ApplyPixelLayout(window);
  LOGFONTA title = {};
  title.lfHeight = -30;
  title.lfWeight = FW_BOLD;
  title.lfItalic = TRUE;
  lstrcpyA(title.lfFaceName, "Arial");
  Splash.TitleFont = CreateFontIndirectA(&title);
  SendMessageA(Control(IDC_SPLASH_LABEL1), WM_SETFONT, reinterpret_cast<WPARAM>(Splash.TitleFont), FALSE);
  LOGFONTA bold = {};
  bold.lfHeight = -13;
  bold.lfWeight = FW_BOLD;
  lstrcpyA(bold.lfFaceName, "MS Sans Serif");
  Splash.BoldFont = CreateFontIndirectA(&bold);
  SendMessageA(Control(IDC_SPLASH_LABEL8), WM_SETFONT, reinterpret_cast<WPARAM>(Splash.BoldFont), FALSE);
  SendMessageA(Control(IDC_SPLASH_PROGRESSBAR1), PBM_SETRANGE, 0, MAKELPARAM(0, 100));
  CentreOnScreen(window);
  // The timer is enabled in the form itself; ShowSplash decides from then on.
  StartTimer(true);
}

void FormDestroy() {
  KillTimer(Splash.Handle, IDT_SPLASH_TIMER1);
  DeleteObject(Splash.TitleFont);
  DeleteObject(Splash.BoldFont);
  Splash.Handle = nullptr;
}

void FormPaint(HWND window) {
  PAINTSTRUCT paint;
  const HDC dc = BeginPaint(window, &paint);
  RECT client;
  GetClientRect(window, &client);
  // pnlMain is the whole client area; its outer bevel is 2 pixels wide.
  if (Splash.RaisedBevel) DrawEdge(dc, &client, EDGE_RAISED, BF_RECT);
  EndPaint(window, &paint);
}

void Timer1Timer() { CloseWindow(); }

void pnlMainClick() {
  if (SplashMode == smStartup) CloseWindow();
}

void btnOKClick() { CloseWindow(); }

void btnCancelClick() {
  const std::string text = ResourceText(IDS_CANCEL_SCAN_CONFIRM, {ProductName()});
  if (MessageBoxA(nullptr, text.c_str(), ProductName().c_str(), MB_ICONWARNING | MB_YESNO) == IDYES) {
    UserTerminate = true;
    CloseWindow();
  }
}

// Enter and Esc reach the buttons only while they are shown: the About box
// has no cancel button, so Esc does not close it.
void Command(WORD id) {
  if (id == IDC_SPLASH_BTNOK && ControlVisible(IDC_SPLASH_BTNOK)) btnOKClick();
  if (id == IDC_SPLASH_BTNCANCEL && ControlVisible(IDC_SPLASH_BTNCANCEL)) btnCancelClick();
}

HBRUSH LabelColour(HDC dc, HWND control) {
  if (control != Control(IDC_SPLASH_LABEL8)) return nullptr;
  SetTextColor(dc, RGB(255, 0, 0));
  SetBkMode(dc, TRANSPARENT);
  return GetSysColorBrush(COLOR_BTNFACE);
}

INT_PTR CALLBACK SplashProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  INT_PTR handled = TRUE;
  Guarded([&] {
    switch (message) {
      case WM_INITDIALOG: FormCreate(window); break;
      case WM_DESTROY: FormDestroy(); break;
      case WM_PAINT: FormPaint(window); break;
      case WM_TIMER: Timer1Timer(); break;
      case WM_LBUTTONDOWN: pnlMainClick(); break;
      case WM_COMMAND: Command(LOWORD(wParam)); break;
      case WM_CLOSE: CloseWindow(); break;
      case WM_CTLCOLORSTATIC:
        handled = reinterpret_cast<INT_PTR>(LabelColour(reinterpret_cast<HDC>(wParam),
                                                        reinterpret_cast<HWND>(lParam)));
        break;
      default: handled = FALSE;
    }
  });
  return handled;
}

}  // namespace

HWND CreateSplash(HWND owner) {
  RegisterFormClass("TfrmSplash");
  return CreateForm(IDD_SPLASH, owner, SplashProc);
}

void ShowSplash(TSplashMode mode) {
  SplashMode = mode;
  const bool scanning = mode == smScan;
  const bool about = mode == smAbout;
  ShowProgressArea(scanning);
  if (!scanning) Splash.TimerInterval = kShortTimerInterval;
  ShowControl(IDC_SPLASH_BTNCANCEL, scanning);
  ShowControl(IDC_SPLASH_BTNOK, about);
  StartTimer(mode == smStartup);
  Splash.RaisedBevel = !about;
  SetBorderStyle(about);
  InvalidateRect(Splash.Handle, nullptr, TRUE);
  if (about) {
    RunModal();
  } else {
    SetWindowPos(Splash.Handle, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    SetForegroundWindow(Splash.Handle);
  }
}

void CloseSplash() { CloseWindow(); }

bool SplashVisible() { return Splash.Handle && IsWindowVisible(Splash.Handle); }

void SetSplashProgress(int position) {
  SendMessageA(Control(IDC_SPLASH_PROGRESSBAR1), PBM_SETPOS, static_cast<WPARAM>(position), 0);
}
