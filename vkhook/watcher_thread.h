// The watcher thread's side: its hidden window, the messages the caller
// side sends it, and the delivery of the two registered messages.
#pragma once

#include <windows.h>

#include "key_combination.h"

namespace vkhook {

// Sent by the caller side to the watcher window (SendMessage, so each has
// taken effect when the send returns).
constexpr UINT kWatcherSetTarget = WM_APP + 1;  // wParam: the new target window
constexpr UINT kWatcherSetKey = WM_APP + 2;     // lParam: the KeyCombination
constexpr UINT kWatcherStop = WM_APP + 3;
// Posted by the X server side (x_key_grab.h): the grabbed key was pressed.
// wParam: its virtual key; lParam: the X window that had the X focus.
constexpr UINT kWatcherGrabPress = WM_APP + 4;

// What the caller hands the new thread. It lives on the caller's stack and
// is valid until ready is signalled; window is the watcher window by then,
// or null when the watcher could not start.
struct WatcherStartRequest {
  HMODULE module;  // a reference of the thread's own, freed as it ends
  HWND target;
  KeyCombination key;
  bool keyGiven;
  HANDLE ready;
  HWND window;
};

// The thread routine; its parameter is a WatcherStartRequest.
DWORD WINAPI WatcherThreadMain(void* parameter);

}  // namespace vkhook
