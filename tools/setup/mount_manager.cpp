#include "mount_manager.h"

#include <winioctl.h>

#include <cstddef>
#include <cstring>
#include <vector>

namespace {

constexpr DWORD kDefineUnixDrive =
    CTL_CODE('m', 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);
constexpr DWORD kQueryUnixDrive = CTL_CODE('m', 33, METHOD_BUFFERED, FILE_READ_ACCESS);

// The request and answer record of both calls; the strings it names by
// offset follow it in the same buffer.
struct TMountManagerUnixDrive {
  ULONG size;
  ULONG type;
  ULONG fs_type;
  DWORD serial;
  ULONGLONG unix_dev;
  WCHAR letter;
  USHORT mount_point_offset;
  USHORT device_offset;
  USHORT label_offset;
};

// Longer than any host path the mount manager hands back for a drive.
constexpr size_t kAnswerSize = sizeof(TMountManagerUnixDrive) + 4 * MAX_PATH;

class TMountManager {
 public:
  TMountManager()
      : handle_(CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr)) {}
  ~TMountManager() {
    if (open()) CloseHandle(handle_);
  }
  TMountManager(const TMountManager&) = delete;
  TMountManager& operator=(const TMountManager&) = delete;

  bool open() const { return handle_ != INVALID_HANDLE_VALUE; }
  bool Control(DWORD code, void* in, DWORD inSize, void* out, DWORD outSize, DWORD& returned) {
    return DeviceIoControl(handle_, code, in, inSize, out, outSize, &returned, nullptr) != FALSE;
  }

 private:
  HANDLE handle_;
};

WCHAR LetterOf(char letter) { return static_cast<WCHAR>(letter | 0x20); }

}  // namespace

DWORD DefineUnixDrive(char letter, UINT type, const std::string& hostFolder) {
  const bool remove = type == DRIVE_NO_ROOT_DIR;
  if (!remove && hostFolder.empty()) return ERROR_INVALID_PARAMETER;
  std::vector<char> buffer(sizeof(TMountManagerUnixDrive) + hostFolder.size() + 1, 0);
  auto* drive = reinterpret_cast<TMountManagerUnixDrive*>(buffer.data());
  drive->size = static_cast<ULONG>(buffer.size());
  drive->type = type;
  drive->letter = LetterOf(letter);
  if (!remove) {
    std::memcpy(buffer.data() + sizeof *drive, hostFolder.c_str(), hostFolder.size() + 1);
    drive->mount_point_offset = sizeof *drive;
  }
  TMountManager manager;
  if (!manager.open()) return GetLastError();
  DWORD returned = 0;
  if (!manager.Control(kDefineUnixDrive, buffer.data(), static_cast<DWORD>(buffer.size()), nullptr, 0,
                       returned)) {
    return GetLastError();
  }
  return ERROR_SUCCESS;
}

bool QueryUnixDrive(char letter, TUnixDrive& result) {
  TMountManagerUnixDrive request = {};
  request.size = sizeof request;
  request.letter = LetterOf(letter);
  std::vector<char> answer(kAnswerSize, 0);
  TMountManager manager;
  if (!manager.open()) return false;
  DWORD returned = 0;
  if (!manager.Control(kQueryUnixDrive, &request, sizeof request, answer.data(),
                       static_cast<DWORD>(answer.size()), returned)) {
    return false;
  }
  const auto* drive = reinterpret_cast<const TMountManagerUnixDrive*>(answer.data());
  if (returned < sizeof *drive || drive->size > answer.size()) {
    SetLastError(ERROR_INVALID_DATA);
    return false;
  }
  result.Type = drive->type;
  result.HostFolder.clear();
  if (drive->mount_point_offset >= sizeof *drive && drive->mount_point_offset < drive->size) {
    const char* text = answer.data() + drive->mount_point_offset;
    result.HostFolder.assign(text, strnlen(text, drive->size - drive->mount_point_offset));
  }
  return true;
}
