#include "grab_helper_start.h"

#include "grab_protocol.h"
#include "wine_host.h"

namespace {

// The helper's start is one X connection and two FIFOs; a display that
// does not answer within this is no display to rely on.
constexpr DWORD kReadyWaitMs = 5000;
constexpr DWORD kPollMs = 5;

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
  // A name no other run uses: the Windows process id (which programs of
  // other prefixes may share) and the tick count, counted on while taken.
  const std::string base =
      "/tmp/.velkoro-hotkey-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount());
  std::wstring folder;
  for (int attempt = 0;; ++attempt) {
    channel.Folder = attempt ? base + "-" + std::to_string(attempt) : base;
    folder = Win32PathOfHost(channel.Folder);
    if (CreateDirectoryW(folder.c_str(), nullptr)) break;
    if (GetLastError() != ERROR_ALREADY_EXISTS || attempt == 100) {
      channel.Folder.clear();
      return false;
    }
  }
  std::wstring commandLine = L"\"" + program + L"\" " + WideFromUtf8(channel.Folder);
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    CloseGrabHelper(channel);
    return false;
  }
  // A host program under Wine has no process handle to wait on, and Wine
  // leaves the thread handle undefined (not zero) then.
  if (process.hProcess) {
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
  }
  // The FIFOs appear once the helper holds the display; a helper that
  // cannot have it removes its folder instead.
  const std::wstring events = FifoPath(channel.Folder, grab_protocol::kEventsFifo);
  const std::wstring control = FifoPath(channel.Folder, grab_protocol::kControlFifo);
  for (DWORD waited = 0; !(HostFileExists(events) && HostFileExists(control)); waited += kPollMs) {
    if (waited >= kReadyWaitMs || GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES) {
      CloseGrabHelper(channel);
      return false;
    }
    Sleep(kPollMs);
  }
  channel.Events = CreateFileW(events.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
  channel.Control = CreateFileW(control.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
  DWORD written = 0;
  const char connected = grab_protocol::kConnected;
  if (channel.Events == INVALID_HANDLE_VALUE || channel.Control == INVALID_HANDLE_VALUE ||
      !WriteFile(channel.Control, &connected, 1, &written, nullptr)) {
    CloseGrabHelper(channel);
    return false;
  }
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
