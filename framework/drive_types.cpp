#include "drive_types.h"

#include <windows.h>

#include <cctype>

namespace {

// Under Wine a drive-type query goes to the mount manager, another process,
// and costs about half a millisecond: more than all the rest of a change
// operation. The driver-link thread, which applies the monitor's changes in
// bursts of thousands, keeps each drive's answer for a second; a drive
// defined or removed shows there within that second. Every other thread
// asks every time.
constexpr DWORD kDriveTypeAgeMs = 1000;
struct TKnownDriveType {
  UINT Type;
  DWORD AskedAt;
  bool Asked;
};
thread_local bool ReuseDriveTypes = false;
thread_local TKnownDriveType KnownDriveTypes[26] = {};

}  // namespace

unsigned DriveTypeOf(const std::string& rootPath) {
  if (!ReuseDriveTypes) return GetDriveTypeA(rootPath.c_str());
  const char letter = rootPath.empty() ? 0 : static_cast<char>(std::toupper(static_cast<unsigned char>(rootPath[0])));
  const bool driveRoot =
      rootPath.size() == 3 && letter >= 'A' && letter <= 'Z' && rootPath[1] == ':' && rootPath[2] == '\\';
  if (!driveRoot) return GetDriveTypeA(rootPath.c_str());
  TKnownDriveType& known = KnownDriveTypes[letter - 'A'];
  const DWORD now = GetTickCount();
  if (!known.Asked || now - known.AskedAt >= kDriveTypeAgeMs) known = {GetDriveTypeA(rootPath.c_str()), now, true};
  return known.Type;
}

void ReuseDriveTypesOnThisThread() { ReuseDriveTypes = true; }
