// Drive letters the tests define through Wine's mount manager, each over a
// host folder of the test's own, and removed again when the test ends.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "mount_manager.h"

class TTestDrive {
 public:
  // Defines the first free letter from D: on over the host folder with the
  // drive type, and checks that GetDriveTypeA answers that type; throws
  // otherwise. Refuses the host's root.
  TTestDrive(UINT type, const std::string& hostFolder);
  // The letter goes again (type none).
  ~TTestDrive();
  TTestDrive(const TTestDrive&) = delete;
  TTestDrive& operator=(const TTestDrive&) = delete;

  char Letter() const { return letter_; }
  // "X:", as the scan names a drive's top node.
  std::string Name() const { return std::string(1, letter_) + ":"; }
  // "X:\", with a path below it appended.
  std::string Root(const std::string& below = "") const { return Name() + "\\" + below; }

 private:
  char letter_ = 0;
};

// A letter that no drive uses (GetDriveTypeA answers DRIVE_NO_ROOT_DIR).
char FreeDriveLetter();

// For a scan: every fixed drive other than the prefix's own C: and the
// letters kept becomes a network drive over the same host folder until this
// ends, so that the scan walks nothing but C: and the test's drives (a
// fresh prefix's Z: is the host's root as a fixed disk). Throws when a fixed
// drive cannot be changed, or when C: is not the prefix's drive_c.
class TOnlyTheseFixedDrives {
 public:
  explicit TOnlyTheseFixedDrives(const std::string& keptLetters);
  ~TOnlyTheseFixedDrives();
  TOnlyTheseFixedDrives(const TOnlyTheseFixedDrives&) = delete;
  TOnlyTheseFixedDrives& operator=(const TOnlyTheseFixedDrives&) = delete;

 private:
  void TakeOutOfTheScan(const std::string& keptLetters);
  void Restore();

  struct TChanged {
    char Letter;
    TUnixDrive Original;
  };
  std::vector<TChanged> changed_;
};

UINT DriveTypeOf(char letter);
