#include "host_program.h"

#include "wine_host.h"

bool THostProgram::Start(const std::wstring& program, const std::wstring& arguments) {
  std::wstring commandLine = L"\"" + program + L"\" " + arguments;
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!HostFileExists(program) || !CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0,
                                                  nullptr, nullptr, &startup, &process)) {
    return false;
  }
  // A host program under Wine has no process handle to wait on, and Wine
  // leaves in the answer whatever was on its stack: those values may name
  // any handle of this process (its standard output, a file being read), so
  // none of them is closed.
  return true;
}

bool THostProgram::WaitUntilReady(const std::function<bool()>& ready, const std::function<bool()>& failed,
                                  DWORD timeoutMs) {
  for (DWORD waited = 0; !ready(); waited += kPollMs) {
    if (waited >= timeoutMs || failed()) return false;
    Sleep(kPollMs);
  }
  return true;
}

bool THostProgram::Connect(const std::wstring& controlFifo, char hello) {
  control_.Reset(CreateFileW(controlFifo.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, 0, nullptr));
  DWORD written = 0;
  if (control_.Valid() && WriteFile(control_.Get(), &hello, 1, &written, nullptr)) return true;
  control_.Reset();
  return false;
}
