#include "x_key_grab.h"

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
  auto* reader = new TReader{channel_.Events, answered_.Get(), window};
  const HANDLE thread = answered_.Valid() ? CreateThread(nullptr, 0, ReaderMain, reader, 0, nullptr) : nullptr;
  if (thread == nullptr) {
    delete reader;
    CloseGrabHelper(channel_);
    return;
  }
  reader_.Reset(thread);
}

void TXKeyGrab::Stop() {
  if (!Running()) return;
  // The helper ends when the control FIFO's writer goes, and the reader
  // when the helper's end closes the events FIFO.
  CloseHandle(channel_.Control);
  channel_.Control = INVALID_HANDLE_VALUE;
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

void TXKeyGrab::Send(const char* line, size_t length) {
  DWORD written = 0;
  WriteFile(channel_.Control, line, static_cast<DWORD>(length), &written, nullptr);
}

void TXKeyGrab::SetKey(uint16_t virtualKey, uint32_t shiftBits) {
  if (!Running()) return;
  ResetEvent(answered_.Get());
  const std::string line = gp::KeyCommand(virtualKey, shiftBits);
  Send(line.data(), line.size());
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
  const std::string line = gp::RaiseCommand(window, back);
  Send(line.data(), line.size());
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
        PostMessageA(reader.Window, kWatcherGrabPress, static_cast<WPARAM>(message.First),
                     static_cast<LPARAM>(message.Second));
      } else if (message.Kind != gp::TKind::Unknown) {
        SetEvent(reader.Answered);
      }
    }
  }
}

}  // namespace vkhook
