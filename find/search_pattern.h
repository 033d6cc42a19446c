// What velkoro-find asks the program for: the user's pattern in the
// command's dialect, turned into the search window's pattern on a drive
// path.
#pragma once

#include <string>

#include "drive_map.h"
#include "find_options.h"

// A name without * or ? stands for every name that holds it, as locate's
// users expect; with --exact, or with wildcards, it is matched whole.
std::string DialectName(const std::string& name, bool exact);

// The longest run of plain bytes that every match of the POSIX extended
// regular expression holds, for the program to narrow the candidates by;
// empty when none can be told.
std::string LongestPlainPiece(const std::string& regex);

// The pattern of the request (code page 1252): the folder's drive path and
// the name in the dialect, or for -r the narrowing by the plain piece.
// False with Problem set when a host folder lies on no fixed drive.
bool RequestPattern(const TFindOptions& options, TLazyDrives& drives, std::string& pattern, std::string& problem);
