#include "test_drive.h"

#include <stdexcept>

namespace {

std::string RootOf(char letter) { return std::string(1, letter) + ":\\"; }

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

UINT DriveTypeOf(char letter) { return GetDriveTypeA(RootOf(letter).c_str()); }

char FreeDriveLetter() {
  for (char letter = 'D'; letter <= 'Y'; ++letter) {
    TUnixDrive defined;
    if (DriveTypeOf(letter) == DRIVE_NO_ROOT_DIR && !QueryUnixDrive(letter, defined)) return letter;
  }
  throw std::runtime_error("no free drive letter");
}

TTestDrive::TTestDrive(UINT type, const std::string& hostFolder) {
  // A drive over the host's root would put /proc and /sys, and the prefix
  // itself, in reach of a scan.
  if (hostFolder.empty() || hostFolder[0] != '/' || hostFolder.find_first_not_of('/') == std::string::npos) {
    throw std::invalid_argument("refusing to define a drive over '" + hostFolder + "'");
  }
  const char letter = FreeDriveLetter();
  const DWORD error = DefineUnixDrive(letter, type, hostFolder);
  if (error != ERROR_SUCCESS) {
    throw std::runtime_error("the mount manager refused drive " + RootOf(letter) + " (error " +
                             std::to_string(error) + ")");
  }
  letter_ = letter;
  if (DriveTypeOf(letter) != type) {
    DefineUnixDrive(letter, DRIVE_NO_ROOT_DIR, "");
    throw std::runtime_error("drive " + RootOf(letter) + " does not read back as type " + std::to_string(type));
  }
}

TTestDrive::~TTestDrive() { DefineUnixDrive(letter_, DRIVE_NO_ROOT_DIR, ""); }

TOnlyTheseFixedDrives::TOnlyTheseFixedDrives(const std::string& keptLetters) {
  try {
    TakeOutOfTheScan(keptLetters);
  } catch (...) {
    Restore();
    throw;
  }
}

void TOnlyTheseFixedDrives::TakeOutOfTheScan(const std::string& keptLetters) {
  TUnixDrive system;
  if (!QueryUnixDrive('C', system) || !EndsWith(system.HostFolder, "drive_c")) {
    throw std::runtime_error("C: is not the prefix's own drive_c; a scan would walk '" + system.HostFolder + "'");
  }
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    if (letter == 'C' || keptLetters.find(letter) != std::string::npos) continue;
    if (DriveTypeOf(letter) != DRIVE_FIXED) continue;
    TUnixDrive original;
    if (!QueryUnixDrive(letter, original) || original.HostFolder.empty()) {
      throw std::runtime_error("cannot read the definition of the fixed drive " + RootOf(letter));
    }
    if (DefineUnixDrive(letter, DRIVE_REMOTE, original.HostFolder) != ERROR_SUCCESS ||
        DriveTypeOf(letter) == DRIVE_FIXED) {
      throw std::runtime_error("cannot take the fixed drive " + RootOf(letter) + " out of the scan");
    }
    changed_.push_back({letter, original});
  }
}

TOnlyTheseFixedDrives::~TOnlyTheseFixedDrives() { Restore(); }

void TOnlyTheseFixedDrives::Restore() {
  for (const TChanged& drive : changed_) {
    DefineUnixDrive(drive.Letter, drive.Original.Type, drive.Original.HostFolder);
  }
  changed_.clear();
}
