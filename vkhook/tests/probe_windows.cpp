#include "probe_windows.h"

#include <vector>

namespace probe {
namespace {

constexpr WORD kEditId = 100;

void AppendText(std::vector<WORD>& words, const char* text) {
  for (; *text != '\0'; ++text) words.push_back(static_cast<WORD>(static_cast<unsigned char>(*text)));
  words.push_back(0);
}

void AlignToDword(std::vector<WORD>& words) {
  if (words.size() % 2 != 0) words.push_back(0);
}

// An in-memory DLGTEMPLATE with a single edit item.
std::vector<WORD> DialogTemplate(const char* title, DWORD editStyle) {
  std::vector<WORD> words;
  const DWORD dialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  words.push_back(LOWORD(dialogStyle));
  words.push_back(HIWORD(dialogStyle));
  words.push_back(0);  // extended style
  words.push_back(0);
  words.push_back(1);   // one item
  words.push_back(10);  // x, y, cx, cy in dialog units
  words.push_back(10);
  words.push_back(200);
  words.push_back(80);
  words.push_back(0);  // no menu
  words.push_back(0);  // the dialog class
  AppendText(words, title);
  AlignToDword(words);
  words.push_back(LOWORD(editStyle));
  words.push_back(HIWORD(editStyle));
  words.push_back(0);
  words.push_back(0);
  words.push_back(10);
  words.push_back(10);
  words.push_back(150);
  words.push_back(editStyle & ES_MULTILINE ? 40 : 14);
  words.push_back(kEditId);
  words.push_back(0xFFFF);  // predefined class Edit
  words.push_back(0x0081);
  AppendText(words, "");
  words.push_back(0);  // no creation data
  return words;
}

DWORD EditStyle(EditKind kind) {
  DWORD style = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
  if (kind == EditKind::MultiLine) style |= ES_MULTILINE | ES_WANTRETURN;
  if (kind == EditKind::ReadOnly) style |= ES_READONLY;
  return style;
}

INT_PTR CALLBACK EditDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrA(dialog, DWLP_USER, lParam);
      return FALSE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDCANCEL) DestroyWindow(dialog);
      return TRUE;
    case WM_DESTROY:
      if (GetWindowLongPtrA(dialog, DWLP_USER) != 0) PostQuitMessage(0);
      return TRUE;
    default:
      return FALSE;
  }
}

LRESULT CALLBACK PlainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

FrontWindow BringToFront(HWND top, HWND edit) {
  ShowWindow(top, SW_SHOW);
  SetForegroundWindow(top);
  SetFocus(edit);
  return FrontWindow{top, edit};
}

}  // namespace

FrontWindow CreateEditDialog(const char* title, EditKind kind, bool quitOnClose) {
  const std::vector<WORD> words = DialogTemplate(title, EditStyle(kind));
  const HWND dialog = CreateDialogIndirectParamA(GetModuleHandleA(nullptr),
                                                 reinterpret_cast<const DLGTEMPLATE*>(words.data()), nullptr,
                                                 EditDialogProc, quitOnClose ? 1 : 0);
  if (dialog == nullptr) return FrontWindow{};
  return BringToFront(dialog, GetDlgItem(dialog, kEditId));
}

FrontWindow CreatePlainEditWindow(const char* title) {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = PlainWindowProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = "VkHookProbePlain";
  RegisterClassA(&windowClass);
  const HWND top = CreateWindowExA(0, windowClass.lpszClassName, title, WS_OVERLAPPEDWINDOW, 40, 40, 400, 200,
                                   nullptr, nullptr, windowClass.hInstance, nullptr);
  if (top == nullptr) return FrontWindow{};
  const HWND edit = CreateWindowExA(0, "Edit", "", WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, 10, 10,
                                    300, 24, top, nullptr, windowClass.hInstance, nullptr);
  return BringToFront(top, edit);
}

}  // namespace probe
