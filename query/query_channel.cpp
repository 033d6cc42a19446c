#include "query_channel.h"

#include "query_protocol.h"

namespace qp = query_protocol;

std::string QueryChannelFolder() {
  // Every drive letter is a link in <prefix>/dosdevices, and Wine names a
  // drive's host path through it: C: is always the prefix's own drive.
  const std::string drive = HostPathOf(L"C:\\");
  const size_t links = drive.rfind("/dosdevices/");
  if (links == std::string::npos || links == 0) return std::string();
  return drive.substr(0, links) + "/" + qp::kFolderName;
}

namespace {

constexpr DWORD kChannelWaitMs = 10000;
constexpr DWORD kPollMs = 5;

// Runs velkoro-find-channel with Arguments, and waits until Done says its
// work is there: a host program under Wine gives no process handle to wait
// on (and an undefined thread handle: only a real process handle is
// closed).
template <typename TDone>
bool RunChannelMaker(const std::wstring& arguments, TDone done) {
  const std::wstring program = FileBesideModule(nullptr, L"velkoro-find-channel");
  std::wstring commandLine = L"\"" + program + L"\" " + arguments;
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!HostFileExists(program) || !CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0,
                                                  nullptr, nullptr, &startup, &process)) {
    return false;
  }
  if (process.hProcess) {
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
  }
  for (DWORD waited = 0; !done(); waited += kPollMs) {
    if (waited >= kChannelWaitMs) return false;
    Sleep(kPollMs);
  }
  return true;
}

}  // namespace

bool MakeQueryChannel(const std::string& folder) {
  const std::wstring ready = Win32PathOfHost(folder + "/" + qp::kReadyFile);
  DeleteFileW(ready.c_str());
  const bool made =
      RunChannelMaker(L"\"" + WideFromUtf8(folder) + L"\"", [&ready] { return HostFileExists(ready); });
  DeleteFileW(ready.c_str());
  return made;
}

void RemoveQueryChannel(const std::string& folder) {
  const std::wstring fifo = Win32PathOfHost(folder + "/" + qp::kRequestFifo);
  RunChannelMaker(L"--remove \"" + WideFromUtf8(folder) + L"\"", [&fifo] { return !HostFileExists(fifo); });
}

bool WriteFixedDrives(const std::string& folder) {
  std::string lines;
  for (const THostDrive& drive : FixedDriveFolders()) {
    lines += std::string(1, drive.Letter) + "\t" + drive.HostFolder + "\n";
  }
  const std::wstring path = Win32PathOfHost(folder + "/" + qp::kDrivesFile);
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = WriteFile(file, lines.data(), static_cast<DWORD>(lines.size()), &written, nullptr) &&
                  written == lines.size();
  CloseHandle(file);
  return ok;
}
