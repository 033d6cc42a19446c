#include "x_key_grab.h"

#include <cstring>
#include <string>

#include "grab_protocol.h"
#include "watcher_thread.h"

namespace gp = grab_protocol;

namespace vkhook {
namespace {

// How long SetKey waits for the helper to hold the new key, and Stop for
// the reader to see the helper end.
constexpr DWORD kAnswerWaitMs = 2000;
constexpr DWORD kStopWaitMs = 2000;

}  // namespace

void TXKeyGrab::Start(HMODULE module, HWND window) {
  if (Running() || !StartGrabHelper(module, channel_)) return;
  answered_.Reset(CreateEventA(nullptr, FALSE, FALSE, nullptr));
  control_ = std::make_shared<TControlLine>();
  control_->Handle = channel_.Control;
  channel_.Control = INVALID_HANDLE_VALUE;
  auto* reader = new TReader{channel_.Events, control_, answered_.Get(), window};
  const HANDLE thread = answered_.Valid() ? CreateThread(nullptr, 0, ReaderMain, reader, 0, nullptr) : nullptr;
  if (thread == nullptr) {
    delete reader;
    control_->Close();
    CloseGrabHelper(channel_);
    return;
  }
  reader_.Reset(thread);
}

void TXKeyGrab::Stop() {
  if (!Running()) return;
  // The helper ends when the control FIFO's writer goes, and the reader
  // when the helper's end closes the events FIFO.
  control_->Close();
  if (WaitForSingleObject(reader_.Get(), kStopWaitMs) != WAIT_OBJECT_0) {
    // A reader that did not end (a helper that hangs) keeps its handle and
    // the code it runs: the library stays loaded for good from now on.
    channel_.Events = INVALID_HANDLE_VALUE;
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                       reinterpret_cast<LPCWSTR>(&TXKeyGrab::ReaderMain), &self);
  }
  reader_.Reset();
  CloseGrabHelper(channel_);
}

void TXKeyGrab::TControlLine::Send(const char* line) {
  CriticalSectionLock guard(Lock);
  DWORD written = 0;
  if (Handle != INVALID_HANDLE_VALUE) WriteFile(Handle, line, static_cast<DWORD>(strlen(line)), &written, nullptr);
}

void TXKeyGrab::TControlLine::Close() {
  CriticalSectionLock guard(Lock);
  if (Handle != INVALID_HANDLE_VALUE) CloseHandle(Handle);
  Handle = INVALID_HANDLE_VALUE;
}

void TXKeyGrab::SetKey(uint16_t virtualKey, uint32_t shiftBits) {
  if (!Running()) return;
  ResetEvent(answered_.Get());
  control_->Send(gp::KeyCommand(virtualKey, shiftBits).c_str());
  // The old combination is free and the new one held once the helper
  // answers; whether it was refused is the helper's to say, on its error
  // output, and the Wine side watches the key either way.
  const HANDLE waits[] = {answered_.Get(), reader_.Get()};
  WaitForMultipleObjects(2, waits, FALSE, kAnswerWaitMs);
}

void TXKeyGrab::Raise(HWND searchWindow, uint64_t back) {
  if (!Running()) return;
  // Wine's X11 driver names each top-level window's X window in this
  // property.
  const auto window = reinterpret_cast<uintptr_t>(GetPropA(searchWindow, "__wine_x11_whole_window"));
  if (window == 0) return;
  control_->Send(gp::RaiseCommand(window, back).c_str());
}

// Answered here, not on the watcher thread, which may be waiting for the
// program: the keyboard is frozen until the answer. A line this short is
// written whole, whichever thread writes at the same time.
void TXKeyGrab::Pressed(const TReader& reader, WPARAM virtualKey, LPARAM xFocus) {
  // Wine makes its desktop window the foreground once the X focus leaves
  // every Wine window.
  const HWND front = GetForegroundWindow();
  const bool wineInFront = front != nullptr && front != GetDesktopWindow();
  reader.Control->Send(wineInFront ? gp::kReplayCommand : gp::kTakeCommand);
  if (!wineInFront) PostMessageA(reader.Window, kWatcherGrabPress, virtualKey, xFocus);
}

DWORD WINAPI TXKeyGrab::ReaderMain(void* parameter) {
  const TReader reader = *static_cast<TReader*>(parameter);
  delete static_cast<TReader*>(parameter);
  std::string pending;
  char buffer[512];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(reader.Events, buffer, sizeof buffer, &got, nullptr) || got == 0) return 0;  // the helper ended
    pending.append(buffer, got);
    for (size_t end; (end = pending.find('\n')) != std::string::npos;) {
      const gp::TMessage message = gp::Parse(pending.substr(0, end));
      pending.erase(0, end + 1);
      if (message.Kind == gp::TKind::Press) {
        Pressed(reader, static_cast<WPARAM>(message.First), static_cast<LPARAM>(message.Second));
      } else if (message.Kind != gp::TKind::Unknown) {
        SetEvent(reader.Answered);
      }
    }
  }
}

}  // namespace vkhook
