// The hot key at the X server, from the library's side: its native helper
// velkoro-hotkey holds the key as a passive grab on the root window, so
// that it fires over native programs too, where Wine sees no key at all.
// At each press the keyboard waits while the reader looks at Wine's
// foreground: a Wine window in front gets the press after all, and Wine's
// own hot key fires as it always has (the hook's path, untouched); with
// none in front (a native program has the X focus) the grab keeps the press
// and it reaches the watcher window as kWatcherGrabPress.
//
// Everything here runs on the watcher thread but the reader, a thread of
// its own that turns the helper's lines into posted presses and answers.
// Without a helper (none installed, no X display) every call does nothing,
// and the library watches through Wine alone, as it always could.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

#include "grab_helper_start.h"
#include "win32_handles.h"

namespace vkhook {

class TXKeyGrab {
 public:
  TXKeyGrab() = default;
  ~TXKeyGrab() { Stop(); }
  TXKeyGrab(const TXKeyGrab&) = delete;
  TXKeyGrab& operator=(const TXKeyGrab&) = delete;

  // Starts the helper for the library Module; its presses go to Window.
  void Start(HMODULE module, HWND window);
  // Ends the helper and the reader.
  void Stop();

  // Moves the grab to the combination; returns once the helper has it (or
  // was refused it), within a bound.
  void SetKey(uint16_t virtualKey, uint32_t shiftBits);

  // The search window came up over a native program whose X window Back
  // had the X focus: the window takes the X focus, and Back gets it again
  // when the window hides.
  void Raise(HWND searchWindow, uint64_t back);

  bool Running() const { return reader_.Valid(); }

 private:
  // The library's end of the control FIFO, written by this thread and the
  // reader: closed under its lock, so that neither writes to a handle
  // closed (or reused) under it.
  struct TControlLine {
    CriticalSection Lock;
    HANDLE Handle = INVALID_HANDLE_VALUE;
    void Send(const char* line);
    void Close();
  };
  struct TReader {
    HANDLE Events;
    std::shared_ptr<TControlLine> Control;
    HANDLE Answered;
    HWND Window;
  };
  static void Pressed(const TReader& reader, WPARAM virtualKey, LPARAM xFocus);
  static DWORD WINAPI ReaderMain(void* reader);

  TGrabHelperChannel channel_;
  std::shared_ptr<TControlLine> control_;
  ScopedHandle reader_;
  ScopedHandle answered_;
};

}  // namespace vkhook
