#include "wine_host.h"

namespace {

// Wine's kernel32 names a Windows path's host path; the caller frees the
// answer from the process heap.
using TUnixFileName = char*(CDECL*)(const wchar_t* windowsPath);

}  // namespace

std::wstring WideFromUtf8(const std::string& utf8) {
  if (utf8.empty()) return std::wstring();
  const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &wide[0], length);
  return wide;
}

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

std::wstring Win32PathOfHost(const std::string& hostPath) {
  std::wstring path = L"\\\\?\\unix" + WideFromUtf8(hostPath);
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  return path;
}

std::vector<THostDrive> FixedDriveFolders() {
  std::vector<THostDrive> drives;
  const DWORD letters = GetLogicalDrives();
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    if (!(letters & (1u << (letter - 'A')))) continue;
    const char root[] = {letter, ':', '\\', '\0'};
    if (GetDriveTypeA(root) != DRIVE_FIXED) continue;
    const wchar_t wideRoot[] = {static_cast<wchar_t>(letter), L':', L'\\', L'\0'};
    std::string folder = HostPathOf(wideRoot);
    if (folder.empty()) continue;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    drives.push_back({letter, folder});
  }
  return drives;
}

bool HostFileExists(const std::wstring& path) {
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW(path.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  return true;
}

std::wstring FileBesideModule(HMODULE module, const wchar_t* name) {
  wchar_t modulePath[MAX_PATH] = {};
  GetModuleFileNameW(module, modulePath, MAX_PATH);
  std::wstring path = modulePath;
  path.resize(path.find_last_of(L"\\/") + 1);
  return path + name;
}

std::string MakeRunFolder(const std::string& stem) {
  const std::string base =
      "/tmp/." + stem + "-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount());
  for (int attempt = 0; attempt <= 100; ++attempt) {
    std::string folder = attempt ? base + "-" + std::to_string(attempt) : base;
    if (CreateDirectoryW(Win32PathOfHost(folder).c_str(), nullptr)) return folder;
    if (GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  return std::string();
}
