// The filename database's platform seam, implemented with Win32: drive and
// file queries, FindFirstFileA enumeration, CharUpperBuffA, a critical
// section, the settings store, and the scan's link to the progress panel.
#pragma once

#include "database_host.h"

TDatabaseHost& Win32DatabaseHost();

// A directory's enumeration through Wine's FindFirstFileA alone; nullptr
// when it cannot be started.
std::unique_ptr<TDirectoryEnumeration> FindFileEnumeration(const std::string& pattern);
