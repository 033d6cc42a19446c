// The places the driver works with: the fixed drives and the host folders
// behind them, the monitor's private host folder, and the program's ANSI
// spelling of a host name.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct TWatchedDrive {
  char Letter;
  std::string HostFolder;  // as the host spells it (UTF-8)
};

// Every drive GetDriveTypeA calls fixed, with its host folder.
std::vector<TWatchedDrive> FixedDrives();

// A host path reached from Win32 without a drive letter: \\?\unix\...
std::wstring Win32PathOfHostPath(const std::string& hostPath);

// "X:\" followed by a path relative to the drive's host folder ('/'
// separated, UTF-8), converted as FindFirstFileA converts host names:
// UTF-8 to UTF-16 (a byte that is no UTF-8 becomes U+FFFD), then to the ANSI
// code page with its default character.
std::string AnsiDrivePath(char letter, const std::string& relative);
