#include "hot_key_dialog.h"

#include <string>

#include "application.h"
#include "forms.h"
#include "help.h"
#include "help_contexts.h"
#include "hot_key_dialog_res.h"
#include "key_names.h"
#include "modal_form.h"
#include "program_state.h"
#include "resource.h"
#include "resource_strings.h"
#include "settings_store.h"
#include "vkhook.h"

namespace {

// The dialog, created once, and the edit box's own procedure, which its
// key handler sits in front of.
struct TAssignHotKey {
  HWND Handle = nullptr;
  HWND Edit1 = nullptr;
  WNDPROC Edit1DefaultProc = nullptr;
};
TAssignHotKey Dialog;

struct TShiftState {
  bool Shift;
  bool Ctrl;
  bool Alt;
};

bool KeyDown(int virtualKey) { return (GetKeyState(virtualKey) & 0x8000) != 0; }

TShiftState CurrentShiftState() { return {KeyDown(VK_SHIFT), KeyDown(VK_CONTROL), KeyDown(VK_MENU)}; }

// Return, Tab and Escape pressed without Ctrl or Alt confirm, move on and
// cancel, as in every dialog; taking them as the hot key would store the
// very key that confirms the choice (and a bare Return as the hot key would
// take every Return of every program). With Ctrl or Alt held they are keys
// like any other.
bool IsDialogNavigationKey(WPARAM key, const TShiftState& shift) {
  const bool navigation = key == VK_RETURN || key == VK_TAB || key == VK_ESCAPE;
  return navigation && !shift.Ctrl && !shift.Alt;
}

int32_t WithBit(int32_t bits, int32_t bit, bool set) { return set ? bits | bit : bits & ~bit; }

void Edit1KeyDown(WORD key, const TShiftState& shift) {
  if (IsDialogNavigationKey(key, shift)) return;
  std::string prefix;
  int32_t modifiers = HotKeyShift;
  if (shift.Alt) prefix += LoadResourceString(IDS_MODIFIER_ALT);
  modifiers = WithBit(modifiers, kModifierAlt, shift.Alt);
  if (shift.Ctrl) prefix += LoadResourceString(IDS_MODIFIER_CTRL);
  modifiers = WithBit(modifiers, kModifierCtrl, shift.Ctrl);
  if (shift.Shift) prefix += LoadResourceString(IDS_MODIFIER_SHIFT);
  modifiers = WithBit(modifiers, kModifierShift, shift.Shift);
  SetWindowTextA(Dialog.Edit1, (prefix + KeyName(key)).c_str());
  HotKey = key;
  HotKeyShift = modifiers;
}

// The dialog manager handles Return, Tab and Escape itself before the box
// sees them; with Ctrl or Alt held the box asks for them.
LRESULT Edit1GetDlgCode(WPARAM wParam, LPARAM lParam) {
  LRESULT code = CallWindowProcA(Dialog.Edit1DefaultProc, Dialog.Edit1, WM_GETDLGCODE, wParam, lParam);
  const auto* message = reinterpret_cast<const MSG*>(lParam);
  if (message && message->message == WM_KEYDOWN) {
    const TShiftState shift = CurrentShiftState();
    const bool navigation = message->wParam == VK_RETURN || message->wParam == VK_TAB ||
                            message->wParam == VK_ESCAPE;
    if (navigation && !IsDialogNavigationKey(message->wParam, shift)) code |= DLGC_WANTMESSAGE;
  }
  return code;
}

LRESULT CALLBACK Edit1Proc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_GETDLGCODE: return Edit1GetDlgCode(wParam, lParam);
    // Keys held with Alt arrive as system keys. Either way the key goes on
    // to the box afterwards.
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: Guarded([&] { Edit1KeyDown(static_cast<WORD>(wParam), CurrentShiftState()); }); break;
  }
  return CallWindowProcA(Dialog.Edit1DefaultProc, edit, message, wParam, lParam);
}

void CloseDialog() { ShowWindow(Dialog.Handle, SW_HIDE); }

void btnSetKeyClick() {
  WriteRegInteger(kSettingsKey, "HotKey", HotKey);
  WriteRegInteger(kSettingsKey, "HotKeyShift", HotKeyShift);
  SetKey(HotKey, static_cast<DWORD>(HotKeyShift));
  CloseDialog();
}

void btnCancelClick() { CloseDialog(); }

void FormCreate(HWND window) {
  Dialog.Handle = window;
  ApplyPixelLayout(window);
  ApplyHelpContexts(window, IDD_ASSIGN_HOT_KEY);
  CentreOnScreen(window);
  Dialog.Edit1 = GetDlgItem(window, IDC_HOTKEY_EDIT1);
  Dialog.Edit1DefaultProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(Dialog.Edit1, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Edit1Proc)));
}

void FormDestroy() {
  SetWindowLongPtrA(Dialog.Edit1, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Dialog.Edit1DefaultProc));
  Dialog = {};
}

void Command(WORD id) {
  if (id == IDC_HOTKEY_BTNSETKEY) btnSetKeyClick();
  if (id == IDC_HOTKEY_BTNCANCEL) btnCancelClick();
}

// The read-only box keeps the colours of an ordinary edit box.
INT_PTR Edit1Colour(HDC dc, HWND control) {
  if (control != Dialog.Edit1) return FALSE;
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  SetBkColor(dc, GetSysColor(COLOR_WINDOW));
  return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_WINDOW));
}

INT_PTR CALLBACK AssignHotKeyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  INT_PTR handled = TRUE;
  Guarded([&] {
    switch (message) {
      case WM_INITDIALOG: FormCreate(window); break;
      case WM_DESTROY: FormDestroy(); break;
      case WM_COMMAND: Command(LOWORD(wParam)); break;
      case WM_CLOSE: btnCancelClick(); break;
      case WM_HELP: ShowControlHelp(window, *reinterpret_cast<const HELPINFO*>(lParam)); break;
      case WM_CTLCOLORSTATIC:
        handled = Edit1Colour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        break;
      default: handled = FALSE;
    }
  });
  return handled;
}

}  // namespace

HWND CreateAssignHotKeyDialog(HWND owner) {
  RegisterFormClass("TAssignHotKey");
  return CreateForm(IDD_ASSIGN_HOT_KEY, owner, AssignHotKeyProc);
}

void ShowAssignHotKeyDialog() {
  ReadHotKey();
  SetWindowTextA(Dialog.Edit1, (ModifierText(HotKeyShift) + KeyName(HotKey)).c_str());
  ShowModalForm(Dialog.Handle, Dialog.Edit1);
}
