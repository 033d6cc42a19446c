#include "search_commands.h"

#include <commctrl.h>
#include <shellapi.h>

#include <string>

#include "application.h"
#include "help.h"
#include "hot_key_dialog.h"
#include "memory_db.h"
#include "program_state.h"
#include "resource.h"
#include "resource_strings.h"
#include "search_activation.h"
#include "search_form.h"
#include "splash.h"
#include "startup_options.h"
#include "target_edit_control.h"
#include "vkhook.h"

namespace {

// The data row the commands act on; -1 when the selection is not a data row
// (a press on the title row or outside the cells).
int SelectedResultRow() { return Formui().gridSearchResults.SelectedRow() - 1; }

std::string ResultFullPath(int row) { return Database ? Database->ResultFullPath(row) : std::string(); }
std::string ResultDirectory(int row) { return Database ? Database->ResultDirectory(row) : std::string(); }

// The file's default action; the result is not looked at: a file that
// cannot be opened simply does not open.
void OpenFile(int row) {
  const std::string path = ResultFullPath(row);
  const std::string directory = ResultDirectory(row);
  ShellExecuteA(Formui().Handle, nullptr, path.c_str(), nullptr, directory.c_str(), SW_SHOWNORMAL);
}

void PutTextOnClipboard(const std::string& text) {
  if (!OpenClipboard(Formui().Handle)) return;
  EmptyClipboard();
  if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, text.size() + 1)) {
    if (void* bytes = GlobalLock(memory)) {
      CopyMemory(bytes, text.c_str(), text.size() + 1);
      GlobalUnlock(memory);
      // The clipboard owns the memory once it has taken it.
      if (!SetClipboardData(CF_TEXT, memory)) GlobalFree(memory);
    } else {
      GlobalFree(memory);
    }
  }
  CloseClipboard();
}

void ShowFilesFound(int count) {
  const std::string text = ResourceText(IDS_FILES_FOUND, {std::to_string(count)});
  SendMessageA(Formui().StatusBar, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::string EditText(HWND edit) {
  const int length = GetWindowTextLengthA(edit);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  GetWindowTextA(edit, &text[0], length + 1);
  text.resize(static_cast<size_t>(length));
  return text;
}

}  // namespace

bool ScanRunning() { return SplashMode == smScan && (SplashVisible() || UserTerminate); }

void RunSearch() {
  TFormui& form = Formui();
  if (!Database) return;
  const std::string pattern = EditText(form.editSearchFilename);
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  Database->Search(pattern);
  QueryPerformanceCounter(&end);
  form.LastSearchSeconds = static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart;
  const int count = Database->ResultCount();
  EnableWindow(form.gridSearchResults.Handle(), TRUE);
  form.gridSearchResults.SetDataRowCount(count > 0 ? count : 1);
  SetFocus(form.gridSearchResults.Handle());
  form.gridSearchResults.SelectRow(1);
  form.gridSearchResults.ApplyColumnRule();
  ShowFilesFound(count);
}

void gridSearchResultsDblClick() {
  const int row = SelectedResultRow();
  if (row < 0) return;
  if (TargetEditControl) {
    SendPathToEditControl(TargetEditControl, ResultFullPath(row));
    TargetEditControl = nullptr;
  } else {
    OpenFile(row);
  }
  HideSearchWindow();
}

void OpenClick() {
  const int row = SelectedResultRow();
  if (row < 0) return;
  OpenFile(row);
  HideSearchWindow();
}

void ExploreClick() {
  const int row = SelectedResultRow();
  if (row < 0) return;
  const std::string directory = ResultDirectory(row);
  ShellExecuteA(Formui().Handle, "explore", directory.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  HideSearchWindow();
}

void Copy1Click() {
  const int row = SelectedResultRow();
  if (row < 0) return;
  PutTextOnClipboard(ResultFullPath(row));
}

// A scan pumps messages while it builds the tree, so this menu can be
// reached during one: a second scan would replace the tree the first is
// still walking.
void ScanDrives1Click() {
  if (ScanRunning() || !Database) return;
  HideSearchWindow();
  {
    // Marked before the panel shows: a shell that sees the panel is told
    // its answer waits for the scan.
    const TScanUnderWay scanUnderWay(*Database);
    ShowSplash(smScan);
    UserTerminate = false;
    Database->ScanDrives(kDatabaseFileName);
  }
  CloseSplash();
  ShowSearchWindowInFront();
  RunSearch();
}

void SetHotKey1Click() { ShowAssignHotKeyDialog(); }

void SetStartupOptions1Click() { ShowStartupOptionsDialog(); }

// Ending the program during a scan would free the database under it.
void Exit1Click() {
  if (ScanRunning()) return;
  const std::string product = ProductName();
  const std::string text = ResourceText(IDS_EXIT_CONFIRM, {product, product, product});
  if (MessageBoxA(nullptr, text.c_str(), product.c_str(), MB_ICONWARNING | MB_YESNO) != IDYES) return;
  SkipDatabaseSave = true;
  InstallHook(FALSE, Formui().Handle);
  Formui().AllowClose = true;
  Application.Terminate();
}

void Contents1Click() { ShowHelpContents(Formui().Handle); }

// The About box is the same window as the scan's progress panel: turned
// into the box during a scan, it would take the panel and its guard away.
void About1Click() {
  if (ScanRunning()) return;
  ShowSplash(smAbout);
}

void DebugExit1Click() {}
void Filename1Click() {}
void Memory1Click() {}
void Startlog1Click() {}
void Stoplog1Click() {}
