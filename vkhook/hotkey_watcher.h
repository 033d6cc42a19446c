// The library's watcher: a thread of its own that owns the RegisterHotKey
// registration through a hidden window, and sends the program its two
// registered messages when the combination is pressed.
//
// Invariants: the watcher thread runs exactly while the hook is installed;
// its window and everything it knows (target window, registered
// combination) belong to that thread and change only through messages sent
// to the window, so the watcher thread never takes the lock below. The lock
// guards the caller side (thread handle, window handle, the last key given)
// and may be held across such a send.
#pragma once

#include <windows.h>

#include "key_combination.h"
#include "win32_handles.h"

namespace vkhook {

class HotKeyWatcher {
 public:
  HotKeyWatcher() = default;
  HotKeyWatcher(const HotKeyWatcher&) = delete;
  HotKeyWatcher& operator=(const HotKeyWatcher&) = delete;

  // The library's own module: the watcher thread holds a reference to it,
  // so that the code it runs cannot be unloaded under it.
  void SetModule(HMODULE module) { module_ = module; }

  // Starts watching for target, or, when already watching, redirects the
  // messages to target. False when target is no window or the watcher
  // could not be started.
  bool Install(HWND target);

  // Stops the watcher; once this returns, no message of it is in flight.
  void Remove();

  // Remembers the combination and, when watching, registers it in place of
  // the previous one before returning. When the system refuses it (another
  // program holds the same hot key) nothing is watched until the next call.
  void SetKey(DWORD key, DWORD shiftBits);

 private:
  bool Running();
  bool Start(HWND target);

  CriticalSection lock_;
  HMODULE module_ = nullptr;
  ScopedHandle thread_;
  HWND window_ = nullptr;
  KeyCombination key_;
  bool keyGiven_ = false;
};

}  // namespace vkhook
