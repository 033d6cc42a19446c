// The floor the drive scan is measured against: the scan's own recursion
// over the same drives with FindFirstFileA and FindNextFileA, and nothing
// else - no tree, no upper-casing, no message pump, no progress bar.
#pragma once

#include <cstddef>
#include <string>

struct TWalkCount {
  size_t Directories = 0;  // drive roots not included
  size_t Files = 0;
  size_t Entries() const { return Directories + Files; }
};

// The letters of the drives that GetDriveTypeA calls fixed, in order ("D").
std::string FixedDriveLetters();

// Walks every fixed drive from A to Z as the scan does: names that begin
// with "." are skipped, directories that are reparse points are counted but
// not entered.
TWalkCount WalkFixedDrives();
