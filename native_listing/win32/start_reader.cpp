#include "start_reader.h"

#include "wine_host.h"

namespace {

constexpr DWORD kPollMs = 2;

}  // namespace

bool StartHostProgramAndWait(const std::wstring& program, const std::wstring& commandLine,
                             const std::function<bool()>& ready, const std::function<void()>& whileWaiting,
                             DWORD waitMs) {
  std::wstring line = L"\"" + program + L"\" " + commandLine;
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!HostFileExists(program) ||
      !CreateProcessW(program.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    return false;
  }
  // A host program under Wine has no process handle to wait on, and Wine
  // leaves the thread handle undefined (not zero): only a real process
  // handle is closed.
  if (process.hProcess) {
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
  }
  const DWORD start = GetTickCount();
  while (!ready()) {
    if (GetTickCount() - start >= waitMs) return false;
    whileWaiting();
    Sleep(kPollMs);
  }
  return true;
}
