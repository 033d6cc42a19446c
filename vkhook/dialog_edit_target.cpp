#include "dialog_edit_target.h"

namespace vkhook {
namespace {

bool HasClass(HWND window, const char* className) {
  char actual[64];
  if (GetClassNameA(window, actual, sizeof actual) == 0) return false;
  return lstrcmpiA(actual, className) == 0;
}

using GetGUIThreadInfoFunction = BOOL(WINAPI*)(DWORD, GUITHREADINFO*);

// GetGUIThreadInfo is not in the first Windows 95 release of user32, so it
// is looked up rather than imported: without it the library still loads
// and only stops naming edit controls.
HWND FocusOfThread(DWORD threadId) {
  const HMODULE user32 = GetModuleHandleA("user32.dll");
  if (user32 == nullptr) return nullptr;
  const auto getGuiThreadInfo = reinterpret_cast<GetGUIThreadInfoFunction>(
      reinterpret_cast<void*>(GetProcAddress(user32, "GetGUIThreadInfo")));
  if (getGuiThreadInfo == nullptr) return nullptr;
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  if (!getGuiThreadInfo(threadId, &info)) return nullptr;
  return info.hwndFocus;
}

// The program replaces the whole text of the control it is given. A
// multi-line edit holds a document, and a read-only one is a display the
// user could not type into either, so neither is offered.
bool IsSingleLineWritableEdit(HWND window) {
  if (!HasClass(window, "Edit")) return false;
  const LONG style = GetWindowLongA(window, GWL_STYLE);
  return (style & (ES_MULTILINE | ES_READONLY)) == 0;
}

}  // namespace

HWND FindDialogEditTarget(HWND foreground, DWORD programProcess) {
  if (foreground == nullptr || !HasClass(foreground, "#32770")) return nullptr;
  DWORD dialogProcess = 0;
  const DWORD dialogThread = GetWindowThreadProcessId(foreground, &dialogProcess);
  // The program's own dialogs (its hot-key dialog has an edit box) are never
  // a target for a path: the message names "an edit control of another
  // program".
  if (dialogThread == 0 || dialogProcess == programProcess) return nullptr;
  const HWND focus = FocusOfThread(dialogThread);
  // The thread's focus may sit in another of its windows; only a control of
  // the dialog in front counts.
  if (focus == nullptr || !IsChild(foreground, focus)) return nullptr;
  return IsSingleLineWritableEdit(focus) ? focus : nullptr;
}

}  // namespace vkhook
