// Drive letters through Wine's mount manager: its extension that defines a
// letter over a host folder with a drive type of our choice, and the one that
// reads a definition back. Setting the registry alone does not change what
// GetDriveTypeA answers; defining the drive here does. Used by the
// installation tool and by the tests that need drives of every type.
#pragma once

#include <windows.h>

#include <string>

// A drive letter's definition as the mount manager holds it. Type is a
// GetDriveTypeA value (DRIVE_FIXED, DRIVE_REMOVABLE, DRIVE_REMOTE, DRIVE_CDROM,
// DRIVE_RAMDISK); HostFolder is the host path the letter leads to.
struct TUnixDrive {
  UINT Type = DRIVE_NO_ROOT_DIR;
  std::string HostFolder;
};

// Defines the letter (A to Z, either case) over hostFolder with the type;
// DRIVE_NO_ROOT_DIR removes the letter and needs no folder. Returns
// ERROR_SUCCESS or the error the mount manager gave.
DWORD DefineUnixDrive(char letter, UINT type, const std::string& hostFolder);

// Reads the letter's definition; false (with the error in GetLastError) when
// the mount manager holds none for it.
bool QueryUnixDrive(char letter, TUnixDrive& drive);
