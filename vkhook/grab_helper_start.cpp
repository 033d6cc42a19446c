#include "grab_helper_start.h"

#include "grab_protocol.h"
#include "host_program.h"
#include "wine_host.h"

namespace {

// The helper's start is one X connection and two FIFOs; a display that
// does not answer within this is no display to rely on.
constexpr DWORD kReadyWaitMs = 5000;

void CloseIfOpen(HANDLE& handle) {
  if (handle != INVALID_HANDLE_VALUE && handle != nullptr) CloseHandle(handle);
  handle = INVALID_HANDLE_VALUE;
}

std::wstring FifoPath(const std::string& folder, const char* name) {
  return Win32PathOfHost(folder + "/" + name);
}

}  // namespace

bool StartGrabHelper(HMODULE module, TGrabHelperChannel& channel) {
  const std::wstring program = FileBesideModule(module, L"velkoro-hotkey");
  if (!HostFileExists(program)) return false;
  channel.Folder = MakeRunFolder("velkoro-hotkey");
  if (channel.Folder.empty()) return false;
  const std::wstring folder = Win32PathOfHost(channel.Folder);
  // The FIFOs appear once the helper holds the display; a helper that
  // cannot have it removes its folder instead.
  const std::wstring events = FifoPath(channel.Folder, grab_protocol::kEventsFifo);
  const std::wstring control = FifoPath(channel.Folder, grab_protocol::kControlFifo);
  THostProgram helper;
  if (!THostProgram::Start(program, WideFromUtf8(channel.Folder)) ||
      !THostProgram::WaitUntilReady([&] { return HostFileExists(events) && HostFileExists(control); },
                                    [&] { return GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES; },
                                    kReadyWaitMs)) {
    CloseGrabHelper(channel);
    return false;
  }
  channel.Events = CreateFileW(events.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
  if (channel.Events == INVALID_HANDLE_VALUE || !helper.Connect(control, grab_protocol::kConnected)) {
    CloseGrabHelper(channel);
    return false;
  }
  channel.Control = helper.ReleaseControl();
  return true;
}

void CloseGrabHelper(TGrabHelperChannel& channel) {
  CloseIfOpen(channel.Control);
  CloseIfOpen(channel.Events);
  // The helper removes its folder as it ends; whatever is left goes here.
  if (!channel.Folder.empty()) {
    for (const char* name : {grab_protocol::kEventsFifo, grab_protocol::kControlFifo}) {
      DeleteFileW(FifoPath(channel.Folder, name).c_str());
    }
    RemoveDirectoryW(Win32PathOfHost(channel.Folder).c_str());
    channel.Folder.clear();
  }
}
