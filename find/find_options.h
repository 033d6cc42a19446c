// velkoro-find's command line.
#pragma once

#include <cstdint>
#include <string>

struct TFindOptions {
  std::string Pattern;  // empty only with --window
  std::string Prefix;   // --prefix, else $WINEPREFIX, else ~/.velkoro96
  bool Dos = false;     // drive paths as the search window shows them
  bool Null = false;    // -0: results end with NUL, not newline
  bool CountOnly = false;
  bool Exact = false;     // --exact: a name without wildcards is the whole name
  bool Regex = false;     // -r: Pattern is a POSIX extended regular expression
  bool Existing = false;  // -e: only paths that exist when printed
  bool Window = false;    // --window: bring up the search window instead
  uint32_t Limit = 0;     // -l N; 0 for all
};

// False with Problem set for a command line that cannot be followed; Help
// set when the user asked for the usage.
bool ParseFindOptions(int argc, char** argv, TFindOptions& options, std::string& problem, bool& help);

extern const char kFindUsage[];
