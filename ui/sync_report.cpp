#include "sync_report.h"

#include <commctrl.h>

#include <string>
#include <vector>

#include "application.h"
#include "exceptions.h"
#include "forms.h"
#include "resource.h"
#include "resource_strings.h"
#include "splash.h"
#include "sync_report_res.h"
#include "whole_file.h"

const char* const kSyncLogFileName = "synclog.dat";

namespace {

constexpr int kOuterWidth = 434;
constexpr int kOuterHeight = 319;
constexpr int kItemHeight = 16;
// What the list box and the progress bar leave of the outer size.
constexpr int kListBoxWidthMargin = 26;
constexpr int kListBoxHeightMargin = 94;
constexpr int kProgressBarWidthMargin = 138;

// The stream error of a file that cannot be created or written.
class EFileError : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const override { return "EFileError"; }
};

HWND Form = nullptr;

HWND Control(int id) { return GetDlgItem(Form, id); }

std::string ListBoxLine(HWND listBox, int index) {
  const LRESULT length = SendMessageA(listBox, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length <= 0) return std::string();
  std::vector<char> text(static_cast<size_t>(length) + 1);
  SendMessageA(listBox, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  return std::string(text.data());
}

// Every line of the list, each ended by CR LF, in the list's order.
std::string ReportText() {
  const HWND listBox = Control(IDC_SYNC_LISTBOX1);
  const LRESULT count = SendMessageA(listBox, LB_GETCOUNT, 0, 0);
  std::string text;
  for (int index = 0; index < count; ++index) text += ListBoxLine(listBox, index) + "\r\n";
  return text;
}

void SetWidthAndHeight(int id, int width, int height) {
  SetWindowPos(Control(id), nullptr, 0, 0, width > 0 ? width : 0, height > 0 ? height : 0,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int ControlHeight(int id) {
  RECT bounds;
  GetWindowRect(Control(id), &bounds);
  return bounds.bottom - bounds.top;
}

void FormResize() {
  if (!Form) return;
  RECT outer;
  GetWindowRect(Form, &outer);
  const int width = outer.right - outer.left;
  const int height = outer.bottom - outer.top;
  SetWidthAndHeight(IDC_SYNC_LISTBOX1, width - kListBoxWidthMargin, height - kListBoxHeightMargin);
  SetWidthAndHeight(IDC_SYNC_PROGRESSBAR1, width - kProgressBarWidthMargin, ControlHeight(IDC_SYNC_PROGRESSBAR1));
}

// The resize rule takes effect once the template's layout is in pixels.
void FormCreate(HWND window) {
  ApplyPixelLayout(window);
  Form = window;
  SendMessageA(Control(IDC_SYNC_PROGRESSBAR1), PBM_SETRANGE, 0, MAKELPARAM(0, 100));
  SendMessageA(Control(IDC_SYNC_LISTBOX1), LB_SETITEMHEIGHT, 0, MAKELPARAM(kItemHeight, 0));
  // The report's size is given as its outer size, frame and menu included.
  SetWindowPos(window, nullptr, 0, 0, kOuterWidth, kOuterHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Cancel1Click() { UserTerminate = true; }

void Exit1Click() { ShowWindow(Form, SW_HIDE); }

// Replaces "synclog.dat" in the working directory with the report's lines.
void Savetodisk1Click() {
  switch (WriteWholeFile(kSyncLogFileName, ReportText(), CREATE_ALWAYS)) {
    case TWholeFileWrite::Written: break;
    case TWholeFileWrite::NotCreated: throw EFileError(ResourceText(IDS_CANNOT_CREATE_FILE, {kSyncLogFileName}));
    case TWholeFileWrite::NotWritten: throw EFileError(ResourceText(IDS_CANNOT_WRITE_FILE, {kSyncLogFileName}));
  }
}

void Command(WORD id) {
  switch (id) {
    case IDM_SYNC_CANCEL: Cancel1Click(); break;
    case IDM_SYNC_EXIT: Exit1Click(); break;
    case IDM_SYNC_SAVE_TO_DISK: Savetodisk1Click(); break;
  }
}

INT_PTR CALLBACK SyncReportProc(HWND window, UINT message, WPARAM wParam, LPARAM) {
  INT_PTR handled = TRUE;
  Guarded([&] {
    switch (message) {
      case WM_INITDIALOG: FormCreate(window); break;
      case WM_DESTROY: Form = nullptr; break;
      case WM_SIZE: FormResize(); break;
      case WM_COMMAND: Command(LOWORD(wParam)); break;
      case WM_CLOSE: Exit1Click(); break;
      default: handled = FALSE;
    }
  });
  return handled;
}

}  // namespace

HWND CreateSyncReport(HWND owner) {
  RegisterFormClass("TfrmSync");
  return CreateForm(IDD_SYNC_REPORT, owner, SyncReportProc);
}
