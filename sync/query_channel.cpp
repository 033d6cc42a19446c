#include "query_channel.h"

#include "../find/query_protocol.h"

namespace qp = query_protocol;

namespace {

// Wine's kernel32 names a Windows path's host path; the caller frees the
// answer from the process heap.
using TUnixFileName = char*(CDECL*)(const wchar_t* windowsPath);

constexpr DWORD kChannelWaitMs = 10000;
constexpr DWORD kPollMs = 5;

std::string HostPathOf(const wchar_t* windowsPath) {
  const HMODULE kernel = GetModuleHandleA("kernel32.dll");
  const auto unixFileName = kernel ? reinterpret_cast<TUnixFileName>(reinterpret_cast<void*>(
                                         GetProcAddress(kernel, "wine_get_unix_file_name")))
                                   : nullptr;
  if (!unixFileName) return std::string();
  char* host = unixFileName(windowsPath);
  if (!host) return std::string();
  std::string path = host;
  HeapFree(GetProcessHeap(), 0, host);
  return path;
}

std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) return std::wstring();
  const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &wide[0], length);
  return wide;
}

// By a directory listing: Wine answers no attributes for a FIFO.
bool Exists(const std::wstring& path) {
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW(path.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  return true;
}

std::wstring ChannelMakerProgram() {
  wchar_t module[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, module, MAX_PATH);
  std::wstring path = module;
  path.resize(path.find_last_of(L"\\/") + 1);
  return path + L"velkoro-find-channel";
}

}  // namespace

std::string QueryChannelFolder() {
  // Every drive letter is a link in <prefix>/dosdevices, and Wine names a
  // drive's host path through it: C: is always the prefix's own drive.
  const std::string drive = HostPathOf(L"C:\\");
  const size_t links = drive.rfind("/dosdevices/");
  if (links == std::string::npos || links == 0) return std::string();
  return drive.substr(0, links) + "/" + qp::kFolderName;
}

std::wstring Win32PathOfHost(const std::string& hostPath) {
  std::wstring path = L"\\\\?\\unix" + Wide(hostPath);
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  return path;
}

namespace {

// Runs velkoro-find-channel with Arguments, and waits until Done says its
// work is there: a host program under Wine gives no process handle to wait
// on (and an undefined thread handle: only a real process handle is
// closed).
template <typename TDone>
bool RunChannelMaker(const std::wstring& arguments, TDone done) {
  const std::wstring program = ChannelMakerProgram();
  std::wstring commandLine = L"\"" + program + L"\" " + arguments;
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!Exists(program) || !CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                                          nullptr, &startup, &process)) {
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
  const bool made = RunChannelMaker(L"\"" + Wide(folder) + L"\"", [&ready] { return Exists(ready); });
  DeleteFileW(ready.c_str());
  return made;
}

void RemoveQueryChannel(const std::string& folder) {
  const std::wstring fifo = Win32PathOfHost(folder + "/" + qp::kRequestFifo);
  RunChannelMaker(L"--remove \"" + Wide(folder) + L"\"", [&fifo] { return !Exists(fifo); });
}

bool WriteFixedDrives(const std::string& folder) {
  std::string lines;
  const DWORD letters = GetLogicalDrives();
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    if (!(letters & (1u << (letter - 'A')))) continue;
    const char root[] = {letter, ':', '\\', '\0'};
    if (GetDriveTypeA(root) != DRIVE_FIXED) continue;
    const wchar_t wideRoot[] = {static_cast<wchar_t>(letter), L':', L'\\', L'\0'};
    const std::string host = HostPathOf(wideRoot);
    if (!host.empty()) lines += std::string(1, letter) + "\t" + host + "\n";
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
