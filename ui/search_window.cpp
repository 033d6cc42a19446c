#include "search_window.h"

#include <commctrl.h>

#include <exception>

#include "application.h"
#include "exceptions.h"
#include "forms.h"
#include "help.h"
#include "help_contexts.h"
#include "memory_db.h"
#include "program_state.h"
#include "resource_strings.h"
#include "search_activation.h"
#include "search_commands.h"
#include "search_form.h"
#include "search_window_res.h"
#include "splash.h"
#include "target_edit_control.h"

TFormui& Formui() {
  static TFormui form;
  return form;
}

namespace {

// The design's outer bounds of the window, in pixels.
constexpr RECT kDesignBounds = {304, 162, 304 + 486, 162 + 399};
// The strip above the grid, Find's panel at its right end, the status bar.
constexpr int kStripHeight = 33;
constexpr int kFindPanelWidth = 80;
constexpr int kFindLeft = 6;
constexpr int kFindTop = 1;
constexpr int kFindWidth = 72;
constexpr int kFindHeight = 25;
constexpr int kEditLeft = 1;
constexpr int kEditTop = 1;
constexpr int kEditHeight = 24;
constexpr int kEditRightMargin = 5;
constexpr int kStatusBarHeight = 19;

void SetResult(LRESULT result) { SetWindowLongPtrA(Formui().Handle, DWLP_MSGRESULT, result); }

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

// The debug items stay in the menu resource but never reach the user.
void RemoveHiddenMenuItems(HMENU menu) {
  for (int position = GetMenuItemCount(menu) - 1; position >= 0; --position) {
    const HMENU popup = GetSubMenu(menu, position);
    if (!popup) continue;
    if (GetMenuState(popup, IDM_START_LOG, MF_BYCOMMAND) != static_cast<UINT>(-1)) {
      DeleteMenu(menu, static_cast<UINT>(position), MF_BYPOSITION);
      continue;
    }
    DeleteMenu(popup, IDM_MEMORY, MF_BYCOMMAND);
    const bool debugItems = DeleteMenu(popup, IDM_DEBUG_EXIT, MF_BYCOMMAND) != FALSE;
    DeleteMenu(popup, IDM_SYNCHRONIZATION_TEST, MF_BYCOMMAND);
    // The separator N4 stood just before the debug items, now the last item.
    const int last = GetMenuItemCount(popup) - 1;
    if (debugItems && last >= 0 && (GetMenuState(popup, static_cast<UINT>(last), MF_BYPOSITION) & MF_SEPARATOR)) {
      DeleteMenu(popup, static_cast<UINT>(last), MF_BYPOSITION);
    }
  }
}

std::string GridFileName(int dataRow) {
  return Database && dataRow < Database->ResultCount() ? Database->ResultFileName(dataRow) : std::string();
}

std::string GridFullPath(int dataRow) {
  return Database && dataRow < Database->ResultCount() ? Database->ResultFullPath(dataRow) : std::string();
}

void FormKeyDown(WPARAM key) {
  if (key == VK_ESCAPE) HideSearchWindow();
}

// The cell under the pointer becomes the selection, so that the popup acts
// on the row that was right-clicked; a press on the title row or outside the
// cells leaves no data row selected.
void gridSearchResultsMouseDown(int row) { Formui().gridSearchResults.SelectRow(row); }

void gridSearchResultsKeyDown(WPARAM key) {
  if (key == 'C' && GetKeyState(VK_CONTROL) < 0) Copy1Click();
}

void gridSearchResultsPopup(POINT screen) {
  const HMENU popup = GetSubMenu(Formui().pmListBox, 0);
  TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_RIGHTBUTTON, screen.x, screen.y, 0, Formui().Handle, nullptr);
}

// Key preview: the form sees every key of the edit box and Find before them.
const char kKeyPreviewProperty[] = "TFormuiKeyPreview";

LRESULT CALLBACK KeyPreviewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto previous = reinterpret_cast<WNDPROC>(GetPropA(window, kKeyPreviewProperty));
  if (message == WM_KEYDOWN) FormKeyDown(wParam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
    RemovePropA(window, kKeyPreviewProperty);
  }
  return CallWindowProcA(previous, window, message, wParam, lParam);
}

void PreviewKeysOf(HWND control) {
  const LONG_PTR previous =
      SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&KeyPreviewProc));
  SetPropA(control, kKeyPreviewProperty, reinterpret_cast<HANDLE>(previous));
}

void AttachControls(HWND window) {
  TFormui& form = Formui();
  form.Handle = window;
  form.editSearchFilename = GetDlgItem(window, IDC_EDIT_SEARCH_FILENAME);
  form.btnFind = GetDlgItem(window, IDC_BTN_FIND);
  form.StatusBar = GetDlgItem(window, IDC_STATUS_BAR);
  form.pmListBox = LoadMenuA(Application.Instance(), IDR_GRID_POPUP);
  TResultsGrid::TEvents events;
  events.KeyPreview = FormKeyDown;
  events.MouseDown = gridSearchResultsMouseDown;
  events.DblClick = gridSearchResultsDblClick;
  events.KeyDown = gridSearchResultsKeyDown;
  events.PopupMenu = gridSearchResultsPopup;
  events.FileName = GridFileName;
  events.FullPath = GridFullPath;
  form.gridSearchResults.Attach(GetDlgItem(window, IDC_GRID_SEARCH_RESULTS), events);
  PreviewKeysOf(form.editSearchFilename);
  PreviewKeysOf(form.btnFind);
  // One panel reaching to the bar's right end, empty until the first search.
  int parts[1] = {-1};
  SendMessageA(form.StatusBar, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(parts));
  SendMessageA(form.StatusBar, SB_SETMINHEIGHT, kStatusBarHeight, 0);
  Application.AddModelessDialog(window);
}

void FormResize() {
  TFormui& form = Formui();
  if (!form.StatusBar) return;
  RECT client;
  GetClientRect(form.Handle, &client);
  SendMessageA(form.StatusBar, WM_SIZE, 0, 0);
  RECT status;
  GetWindowRect(form.StatusBar, &status);
  const int statusHeight = status.bottom - status.top;
  const int panel3Width = client.right > kFindPanelWidth ? client.right - kFindPanelWidth : 0;
  SetWindowPos(form.btnFind, nullptr, panel3Width + kFindLeft, kFindTop, kFindWidth, kFindHeight,
               SWP_NOZORDER | SWP_NOACTIVATE);
  const int editWidth = panel3Width > kEditRightMargin ? panel3Width - kEditRightMargin : 0;
  SetWindowPos(form.editSearchFilename, nullptr, kEditLeft, kEditTop, editWidth, kEditHeight,
               SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  const int gridHeight = client.bottom - kStripHeight - statusHeight;
  SetWindowPos(form.gridSearchResults.Handle(), nullptr, 0, kStripHeight, client.right,
               gridHeight > 0 ? gridHeight : 0, SWP_NOZORDER | SWP_NOACTIVATE);
  form.gridSearchResults.ApplyColumnRule();
}

void FormCreate(HWND window) {
  Application.OnException = AppException;
  TFormui& form = Formui();
  form.AllowClose = true;
  ApplyPixelLayout(window);
  AttachControls(window);
  EnableWindow(form.gridSearchResults.Handle(), TRUE);
  form.gridSearchResults.SetDataRowCount(1);
  SetWindowPos(window, nullptr, kDesignBounds.left, kDesignBounds.top, kDesignBounds.right - kDesignBounds.left,
               kDesignBounds.bottom - kDesignBounds.top, SWP_NOZORDER | SWP_NOACTIVATE);
  FormResize();
  TargetEditControl = nullptr;
  RemoveHiddenMenuItems(GetMenu(window));
  ApplyHelpContexts(window, IDD_SEARCH_WINDOW);
  form.AllowClose = false;
}

void FormDestroy() {
  TFormui& form = Formui();
  form.gridSearchResults.Detach();
  if (form.pmListBox) DestroyMenu(form.pmListBox);
  form.pmListBox = nullptr;
  Application.ShutDown();
}

// Closing only hides the window, unless Exit or the end of the session has
// decided that the program ends.
void FormCloseQuery() {
  HideSearchWindow();
  if (Formui().AllowClose) Application.Terminate();
}

void Button1Click() {
  const HWND focus = GetFocus();
  if (focus == Formui().editSearchFilename) {
    RunSearch();
  } else if (focus == Formui().gridSearchResults.Handle()) {
    gridSearchResultsDblClick();
  }
}

void Button2Click() { HideSearchWindow(); }

void btnFindClick() { RunSearch(); }

void editSearchFilenameEnter() { SendMessageA(Formui().editSearchFilename, EM_SETSEL, 0, -1); }

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

// During a scan the session's end cancels it, as a confirmed Cancel does:
// the scan unwinds and the program ends without saving. Closing the window
// here would free the database under the scan.
// Otherwise the database is saved before this returns: the platform may end
// the process as soon as every window has answered, long before the window
// would be destroyed.
void WMEndSession(WPARAM sessionEnds) {
  if (sessionEnds) {
    if (ScanRunning()) {
      UserTerminate = true;
    } else {
      Application.ShutDown();
      Formui().AllowClose = true;
      FormCloseQuery();
    }
  }
  SetResult(0);
}

void WMGetMinMaxInfo(MINMAXINFO& limits) {
  limits.ptMinTrackSize.x = kMinimumWindowWidth;
  limits.ptMinTrackSize.y = kMinimumWindowHeight;
}

// Scan Drives, Exit and About (whose box is the scan's progress panel) are
// greyed while a scan runs.
void WMInitMenuPopup(HMENU menu) {
  const UINT state = ScanRunning() ? MF_GRAYED : MF_ENABLED;
  for (UINT command : {IDM_SCAN_DRIVES, IDM_EXIT, IDM_ABOUT}) EnableMenuItem(menu, command, MF_BYCOMMAND | state);
}

// F1: the topic of the control, or of the menu item, that asked.
void WMHelp(const HELPINFO& request) {
  HELPINFO topic = request;
  if (request.iContextType == HELPINFO_MENUITEM) {
    topic.dwContextId = request.iCtrlId == IDM_SCAN_DRIVES   ? HELP_CONTEXT_SCAN_DRIVES
                        : request.iCtrlId == IDM_SET_HOT_KEY ? HELP_CONTEXT_SET_HOT_KEY
                                                             : 0;
  }
  ShowControlHelp(Formui().Handle, topic);
}

void Command(WORD id, WORD code) {
  switch (id) {
    case IDC_BUTTON1: Button1Click(); break;
    case IDC_BUTTON2: Button2Click(); break;
    case IDC_BTN_FIND: btnFindClick(); break;
    case IDC_EDIT_SEARCH_FILENAME:
      if (code == EN_SETFOCUS) editSearchFilenameEnter();
      break;
    case IDM_SCAN_DRIVES: ScanDrives1Click(); break;
    case IDM_SET_HOT_KEY: SetHotKey1Click(); break;
    case IDM_SET_STARTUP_OPTIONS: SetStartupOptions1Click(); break;
    case IDM_EXIT: Exit1Click(); break;
    case IDM_DEBUG_EXIT: DebugExit1Click(); break;
    case IDM_SYNCHRONIZATION_TEST: Filename1Click(); break;
    case IDM_COPY: Copy1Click(); break;
    case IDM_CONTENTS: Contents1Click(); break;
    case IDM_ABOUT: About1Click(); break;
    case IDM_MEMORY: Memory1Click(); break;
    case IDM_START_LOG: Startlog1Click(); break;
    case IDM_STOP_LOG: Stoplog1Click(); break;
    case IDM_OPEN: OpenClick(); break;
    case IDM_EXPLORE: ExploreClick(); break;
    default: break;
  }
}

LRESULT Notify(NMHDR& header) {
  if (header.idFrom != IDC_GRID_SEARCH_RESULTS) return 0;
  switch (header.code) {
    case NM_CUSTOMDRAW:
      return Formui().gridSearchResults.CustomDraw(*reinterpret_cast<NMLVCUSTOMDRAW*>(&header));
    case LVN_ODFINDITEMA:
    case LVN_ODFINDITEMW:
      return -1;
    default: return 0;
  }
}

// velkoro-find --window's request, sent from the query thread with the
// pattern's address in lParam; private to this window.
constexpr UINT kShowFromCommandMessage = WM_APP + 1;
// How long the query thread waits for the window: a modal dialog's loop
// still handles sent messages, so only a hung window makes it wait; well
// below the time ShutDown gives the query thread to end.
constexpr UINT kShowFromCommandWaitMs = 2000;

LRESULT ShowFromCommand(const std::string& pattern) {
  TrayActivate(WM_LBUTTONDOWN);
  if (!IsWindowVisible(Formui().Handle)) return 0;
  if (!pattern.empty()) {
    SetWindowTextA(Formui().editSearchFilename, pattern.c_str());
    RunSearch();
  }
  return 1;
}

// The registered messages have numbers known only at run time.
bool DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == 0) return false;
  if (message == TrayActivateMessage) {
    TrayActivate(lParam);
  } else if (message == ActivateMessage) {
    ActivateOverCaller(reinterpret_cast<HWND>(wParam));
  } else if (message == EditControlMessage) {
    TargetEditControl = reinterpret_cast<HWND>(wParam);
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
      case WM_SIZE: FormResize(); break;
      case WM_CLOSE: FormCloseQuery(); break;
      case WM_COMMAND: Command(LOWORD(wParam), HIWORD(wParam)); break;
      case WM_NOTIFY: SetResult(Notify(*reinterpret_cast<NMHDR*>(lParam))); break;
      case WM_GETMINMAXINFO: WMGetMinMaxInfo(*reinterpret_cast<MINMAXINFO*>(lParam)); break;
      case WM_INITMENUPOPUP: WMInitMenuPopup(reinterpret_cast<HMENU>(wParam)); break;
      case WM_HELP: WMHelp(*reinterpret_cast<HELPINFO*>(lParam)); break;
      case WM_SYSCOMMAND: handled = false; WMSysCommand(wParam, handled); break;
      case WM_QUERYENDSESSION: WMQueryEndSession(); break;
      case WM_ENDSESSION: WMEndSession(wParam); break;
      case kShowFromCommandMessage: SetResult(ShowFromCommand(*reinterpret_cast<const std::string*>(lParam))); break;
      default: handled = DefaultHandler(message, wParam, lParam);
    }
  });
  return handled ? TRUE : FALSE;
}

}  // namespace

bool ShowSearchWindowFromCommand(const std::string& pattern) {
  DWORD_PTR shown = 0;
  return SendMessageTimeoutA(Formui().Handle, kShowFromCommandMessage, 0, reinterpret_cast<LPARAM>(&pattern),
                             SMTO_NORMAL, kShowFromCommandWaitMs, &shown) &&
         shown != 0;
}

HWND CreateSearchWindow(HWND owner) {
  InitCommonControls();
  RegisterFormClass("TFormui");
  return CreateForm(IDD_SEARCH_WINDOW, owner, SearchWindowProc);
}
