#include "watcher_thread.h"

#include "dialog_edit_target.h"
#include "x_key_grab.h"

namespace vkhook {
namespace {

const char kWatcherClassName[] = "VkHookWatcher";
constexpr int kHotKeyId = 1;

// The program handles both messages on its user-interface thread, which
// may be busy for a while (a scan lets its messages through only between
// directory entries). A program that does not answer at all must not keep
// the watcher from answering SetKey and InstallHook; presses made in the
// meantime wait in the watcher's queue.
constexpr UINT kDeliveryTimeoutMs = 5000;

struct WatcherState {
  HWND target = nullptr;
  DWORD targetProcess = 0;
  KeyCombination key;
  bool keyGiven = false;
  bool registered = false;
  UINT activateMessage = 0;
  UINT editControlMessage = 0;
  // The same key at the X server, where there is one.
  TXKeyGrab grab;
};

void SetTarget(WatcherState& state, HWND target) {
  state.target = target;
  state.targetProcess = 0;
  GetWindowThreadProcessId(target, &state.targetProcess);
}

// Wine's registration stays beside the X server's grab: over a Wine window
// the grab hands the press on and Wine's fires; where the grab was refused
// or there is no X server, Wine's is the only one.
BOOL RegisterKey(WatcherState& state, HWND window) {
  if (state.registered) UnregisterHotKey(window, kHotKeyId);
  state.registered =
      state.keyGiven && RegisterHotKey(window, kHotKeyId, state.key.hotKeyModifiers, state.key.virtualKey);
  if (state.keyGiven) state.grab.SetKey(static_cast<uint16_t>(state.key.virtualKey), state.key.shiftBits);
  return state.registered;
}

void UnregisterKey(WatcherState& state, HWND window) {
  if (state.registered) UnregisterHotKey(window, kHotKeyId);
  state.registered = false;
}

// Sent, not posted: the program sees the edit control before the
// activation, and a press in progress is delivered before InstallHook(0)
// returns (the caller's own send to this window lets it through), so none
// arrives after that.
void Deliver(const WatcherState& state, UINT message, HWND handle) {
  DWORD_PTR result = 0;
  SendMessageTimeoutA(state.target, message, reinterpret_cast<WPARAM>(handle), 0, SMTO_NORMAL,
                      kDeliveryTimeoutMs, &result);
}

void HotKeyPressed(const WatcherState& state) {
  if (state.target == nullptr || !IsWindow(state.target)) return;
  HWND front = GetForegroundWindow();
  // With no window in front the program still gets a window to give the
  // foreground back to; the desktop names none to cover.
  if (front == nullptr) front = GetDesktopWindow();
  const HWND edit = FindDialogEditTarget(front, state.targetProcess);
  if (edit != nullptr) Deliver(state, state.editControlMessage, edit);
  Deliver(state, state.activateMessage, front);
}

// The X server's grab kept a press: no Wine window was in front (a native
// program had the X focus, whose X window is XFocus). The program is given
// the desktop, which names no window to cover, and the X focus goes to the
// search window now and back to the program once it hides.
void GrabKeyPressed(WatcherState& state, WPARAM virtualKey, LPARAM xFocus) {
  // A press of a key given up since (it was on its way during SetKey) is
  // not the hot key any more.
  if (!state.keyGiven || virtualKey != state.key.virtualKey) return;
  if (state.target == nullptr || !IsWindow(state.target)) return;
  Deliver(state, state.activateMessage, GetDesktopWindow());
  if (xFocus != 0) state.grab.Raise(state.target, static_cast<uint64_t>(xFocus));
}

LRESULT CALLBACK WatcherWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* state = reinterpret_cast<WatcherState*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (state == nullptr) return DefWindowProcA(window, message, wParam, lParam);
  switch (message) {
    case WM_HOTKEY:
      if (static_cast<int>(wParam) == kHotKeyId) HotKeyPressed(*state);
      return 0;
    case kWatcherGrabPress:
      GrabKeyPressed(*state, wParam, lParam);
      return 0;
    case kWatcherSetTarget:
      SetTarget(*state, reinterpret_cast<HWND>(wParam));
      return 0;
    case kWatcherSetKey:
      state->key = *reinterpret_cast<const KeyCombination*>(lParam);
      state->keyGiven = true;
      return RegisterKey(*state, window);
    case kWatcherStop:
      UnregisterKey(*state, window);
      state->grab.Stop();
      DestroyWindow(window);
      return 0;
    case WM_CLOSE:
      // Only the program ends the watcher, through InstallHook(0).
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

HWND CreateWatcherWindow(HMODULE module, WatcherState& state) {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = WatcherWindowProc;
  windowClass.hInstance = module;
  windowClass.lpszClassName = kWatcherClassName;
  if (!RegisterClassA(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return nullptr;
  // A hidden top-level window rather than a message-only one: Windows 95
  // has no message-only windows. It is never shown, so it has no task-bar
  // entry and never takes the foreground.
  return CreateWindowExA(WS_EX_TOOLWINDOW, kWatcherClassName, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                         module, &state);
}

void RunWatcher(WatcherStartRequest& request) {
  const HMODULE module = request.module;
  WatcherState state;
  SetTarget(state, request.target);
  state.key = request.key;
  state.keyGiven = request.keyGiven;
  state.activateMessage = RegisterWindowMessageA("ACTIVATETOMBALO");
  state.editControlMessage = RegisterWindowMessageA("EDITCONTROLTOMBALO");
  HWND window = nullptr;
  if (state.activateMessage != 0 && state.editControlMessage != 0)
    window = CreateWatcherWindow(module, state);
  if (window != nullptr) {
    state.grab.Start(module, window);
    RegisterKey(state, window);
  }
  request.window = window;
  SetEvent(request.ready);  // request belongs to the caller again from here on
  if (window != nullptr) {
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
    if (IsWindow(window)) {
      UnregisterKey(state, window);
      DestroyWindow(window);
    }
    state.grab.Stop();
  }
  // The class names a window procedure in this module, which may be
  // unloaded once the thread has let go of it.
  UnregisterClassA(kWatcherClassName, module);
}

}  // namespace

DWORD WINAPI WatcherThreadMain(void* parameter) {
  auto& request = *static_cast<WatcherStartRequest*>(parameter);
  const HMODULE module = request.module;
  RunWatcher(request);
  FreeLibraryAndExitThread(module, 0);
}

}  // namespace vkhook
