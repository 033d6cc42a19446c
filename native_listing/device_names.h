// The names Windows keeps for devices (CON, AUX, COM1 ...), with any
// extension: a path through one of them does not reach the host folder of
// that name. Both the reader and the program leave such directories to
// Wine.
#pragma once

#include <string>

inline bool DosDeviceName(const std::string& name) {
  std::string base = name.substr(0, name.find('.'));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  for (char& c : base) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
  if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL" || base == "CONIN$" || base == "CONOUT$") {
    return true;
  }
  return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) && base[3] >= '0' &&
         base[3] <= '9';
}

// Characters a Windows path gives a meaning of its own.
constexpr const char* kPathSpecialCharacters = "\\/:*?\"<>|";
