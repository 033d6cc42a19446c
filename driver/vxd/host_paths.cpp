#include "host_paths.h"

namespace {

// Wine's kernel32 names a Windows path's host path; the caller frees the
// answer from the process heap.
using TUnixFileName = char*(CDECL*)(const wchar_t* windowsPath);

TUnixFileName UnixFileNameEntry() {
  const HMODULE kernel = GetModuleHandleA("kernel32.dll");
  return kernel ? reinterpret_cast<TUnixFileName>(
                      reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_unix_file_name")))
                : nullptr;
}

std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) return std::wstring();
  const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &wide[0], length);
  return wide;
}

}  // namespace

std::vector<TWatchedDrive> FixedDrives() {
  std::vector<TWatchedDrive> drives;
  const TUnixFileName unixFileName = UnixFileNameEntry();
  if (!unixFileName) return drives;
  const DWORD letters = GetLogicalDrives();
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    if (!(letters & (1u << (letter - 'A')))) continue;
    const char root[] = {letter, ':', '\\', '\0'};
    if (GetDriveTypeA(root) != DRIVE_FIXED) continue;
    const wchar_t wideRoot[] = {static_cast<wchar_t>(letter), L':', L'\\', L'\0'};
    char* host = unixFileName(wideRoot);
    if (!host) continue;
    std::string folder = host;
    HeapFree(GetProcessHeap(), 0, host);
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    drives.push_back({letter, folder});
  }
  return drives;
}

std::wstring Win32PathOfHostPath(const std::string& hostPath) {
  std::wstring path = L"\\\\?\\unix" + Wide(hostPath);
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  return path;
}

std::string AnsiDrivePath(char letter, const std::string& relative) {
  std::wstring wide = Wide(relative);
  for (wchar_t& c : wide) {
    if (c == L'/') c = L'\\';
  }
  std::string path = {letter, ':', '\\'};
  if (wide.empty()) return path;
  const int length =
      WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  const size_t start = path.size();
  path.resize(start + static_cast<size_t>(length));
  WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), &path[start], length, nullptr,
                      nullptr);
  return path;
}
