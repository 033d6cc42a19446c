#include "bare_walk.h"

#include <windows.h>

namespace {

class TFindHandle {
 public:
  explicit TFindHandle(HANDLE handle) : handle_(handle) {}
  ~TFindHandle() {
    if (Valid()) FindClose(handle_);
  }
  TFindHandle(const TFindHandle&) = delete;
  TFindHandle& operator=(const TFindHandle&) = delete;
  bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return handle_; }

 private:
  HANDLE handle_;
};

bool IsFixed(char letter) {
  const char root[] = {letter, ':', '\\', 0};
  return GetDriveTypeA(root) == DRIVE_FIXED;
}

// The path strings are built the way the scan builds them, so that the
// difference between the two is what the scan does with each entry.
void WalkDirectory(const std::string& path, TWalkCount& count) {
  WIN32_FIND_DATAA data;
  const TFindHandle find(FindFirstFileA((path + "*.*").c_str(), &data));
  if (!find.Valid()) return;
  do {
    if (data.cFileName[0] == '.') continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      ++count.Directories;
      if (!(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        WalkDirectory(path + data.cFileName + "\\", count);
      }
    } else {
      ++count.Files;
    }
  } while (FindNextFileA(find.Get(), &data));
}

}  // namespace

std::string FixedDriveLetters() {
  std::string letters;
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    if (IsFixed(letter)) letters += letter;
  }
  return letters;
}

TWalkCount WalkFixedDrives() {
  TWalkCount count;
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    if (IsFixed(letter)) WalkDirectory(std::string(1, letter) + ":\\", count);
  }
  return count;
}
