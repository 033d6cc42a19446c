// The platform's type of a drive, asked by the database's Win32 seam for
// every path it is given, and kept for a while by a thread that asks
// thousands of times a second.
#pragma once

#include <string>

// GetDriveTypeA's answer for RootPath ("C:\"), or the one this thread kept.
unsigned DriveTypeOf(const std::string& rootPath);

// Lets the calling thread reuse each drive's type for a second instead of
// asking the platform at every change operation (the driver-link thread).
void ReuseDriveTypesOnThisThread();
