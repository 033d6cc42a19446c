#include "start_reader.h"

#include "wine_host.h"

namespace {

constexpr DWORD kPollMs = 2;

}  // namespace

bool StartHostProgramAndWait(const std::wstring& program, const std::wstring& commandLine,
                             const std::function<bool()>& ready, const std::function<bool()>& whileWaiting,
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
  // fills the answer with whatever was on its stack: the handle values
  // there may be any handle of this process (its standard output, a file
  // being read), so none of them is closed.
  const DWORD start = GetTickCount();
  while (!ready()) {
    if (GetTickCount() - start >= waitMs || !whileWaiting()) return false;
    Sleep(kPollMs);
  }
  return true;
}
