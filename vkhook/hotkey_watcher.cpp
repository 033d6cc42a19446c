#include "hotkey_watcher.h"

#include "watcher_thread.h"

namespace vkhook {
namespace {

// Waits for an object while still taking the messages other threads send
// to this one: the watcher may be sending the program's window (this
// thread's) a message at the same moment.
void WaitLettingSentMessagesIn(HANDLE object) {
  for (;;) {
    const DWORD result = MsgWaitForMultipleObjects(1, &object, FALSE, INFINITE, QS_SENDMESSAGE);
    if (result != WAIT_OBJECT_0 + 1) return;
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
  }
}

}  // namespace

bool HotKeyWatcher::Running() {
  if (!thread_.Valid()) return false;
  if (WaitForSingleObject(thread_.Get(), 0) == WAIT_TIMEOUT) return true;
  thread_.Reset();
  window_ = nullptr;
  return false;
}

bool HotKeyWatcher::Install(HWND target) {
  if (!IsWindow(target)) return false;
  CriticalSectionLock guard(lock_);
  if (Running()) {
    // Installing twice keeps the watcher and its combination and sends the
    // messages to the window given last.
    SendMessageA(window_, kWatcherSetTarget, reinterpret_cast<WPARAM>(target), 0);
    return true;
  }
  return Start(target);
}

bool HotKeyWatcher::Start(HWND target) {
  char modulePath[MAX_PATH];
  if (module_ == nullptr || GetModuleFileNameA(module_, modulePath, sizeof modulePath) == 0) return false;
  const HMODULE reference = LoadLibraryA(modulePath);
  if (reference == nullptr) return false;
  ScopedHandle ready(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  if (!ready.Valid()) {
    FreeLibrary(reference);
    return false;
  }
  WatcherStartRequest request = {reference, target, key_, keyGiven_, ready.Get(), nullptr};
  DWORD threadId = 0;
  const HANDLE thread = CreateThread(nullptr, 0, WatcherThreadMain, &request, 0, &threadId);
  if (thread == nullptr) {
    FreeLibrary(reference);
    return false;
  }
  thread_.Reset(thread);
  const HANDLE started[] = {ready.Get(), thread};
  WaitForMultipleObjects(2, started, FALSE, INFINITE);
  // The thread may have ended without signalling; the request is untouched
  // then and still says no window.
  if (WaitForSingleObject(ready.Get(), 0) != WAIT_OBJECT_0 || request.window == nullptr) {
    WaitForSingleObject(thread, INFINITE);
    thread_.Reset();
    return false;
  }
  window_ = request.window;
  return true;
}

void HotKeyWatcher::Remove() {
  CriticalSectionLock guard(lock_);
  if (!Running()) return;
  SendMessageA(window_, kWatcherStop, 0, 0);
  WaitLettingSentMessagesIn(thread_.Get());
  thread_.Reset();
  window_ = nullptr;
}

void HotKeyWatcher::SetKey(DWORD key, DWORD shiftBits) {
  CriticalSectionLock guard(lock_);
  key_ = ToKeyCombination(key, shiftBits);
  keyGiven_ = true;
  if (Running()) {
    SendMessageA(window_, kWatcherSetKey, 0, reinterpret_cast<LPARAM>(&key_));
  }
}

}  // namespace vkhook
