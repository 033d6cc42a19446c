// Win32 code under Wine reaching the host's file system: the host folder
// behind a Windows path, the Win32 spelling of a host path, and the checks
// Wine's file calls get wrong for FIFOs. The program and its driver share
// these.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct THostDrive {
  char Letter;
  std::string HostFolder;  // as the host spells it (UTF-8), no '/' at the end
};

std::wstring WideFromUtf8(const std::string& utf8);

// The host path of a Windows path, as Wine names it; empty when it names none.
std::string HostPathOf(const wchar_t* windowsPath);

// A host path reached from Win32 without a drive letter: \\?\unix\...
std::wstring Win32PathOfHost(const std::string& hostPath);

// Every drive GetDriveTypeA calls fixed, with its host folder.
std::vector<THostDrive> FixedDriveFolders();

// Whether a file exists, FIFOs included, by a directory listing: Wine
// answers no attributes for a FIFO.
bool HostFileExists(const std::wstring& path);

// Makes a folder of this run's own under the host's /tmp, named from Stem,
// the Windows process id (which programs of other prefixes may share) and
// the tick count, counted on while taken; its host path, or empty when none
// could be made. The host programs the program starts meet it there.
std::string MakeRunFolder(const std::string& stem);

// A file named NAME in the folder of MODULE (nullptr: the program).
std::wstring FileBesideModule(HMODULE module, const wchar_t* name);
