#include "host_paths.h"

std::string AnsiDrivePath(char letter, const std::string& relative) {
  std::wstring wide = WideFromUtf8(relative);
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
