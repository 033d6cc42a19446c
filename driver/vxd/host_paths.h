// The program's ANSI spelling of a host name below a drive; the fixed
// drives, their host folders and the monitor's private host folder are
// reached through wine_host.h.
#pragma once

#include <string>

#include "wine_host.h"

// "X:\" followed by a path relative to the drive's host folder ('/'
// separated, UTF-8), converted as FindFirstFileA converts host names:
// UTF-8 to UTF-16 (a byte that is no UTF-8 becomes U+FFFD), then to the ANSI
// code page with its default character.
std::string AnsiDrivePath(char letter, const std::string& relative);
