// setup.exe: the installation step, run inside the Wine prefix by
// tools/velkoro-install. The program itself never creates its settings, so
// this is where they come from.
//
//   setup.exe platform win95               report the Windows 95 family
//   setup.exe drive D fixed /unix/folder   define a drive (fixed, removable,
//                                          network, cdrom, ramdisk)
//   setup.exe drive Z none                 remove a drive
//   setup.exe settings C:\VELKORO          the settings key with initial values
//   setup.exe show-drive D                 print a drive's type
#include <windows.h>

#include <cstdio>
#include <string>

#include "mount_manager.h"

namespace {

int Fail(const char* what) {
  std::fprintf(stderr, "setup: %s (error %lu)\n", what, GetLastError());
  return 1;
}

bool ParseDriveType(const std::string& name, ULONG& type) {
  static const struct { const char* name; ULONG type; } kTypes[] = {
      {"none", DRIVE_NO_ROOT_DIR}, {"removable", DRIVE_REMOVABLE}, {"fixed", DRIVE_FIXED},
      {"network", DRIVE_REMOTE},   {"cdrom", DRIVE_CDROM},         {"ramdisk", DRIVE_RAMDISK}};
  for (const auto& entry : kTypes) {
    if (name == entry.name) {
      type = entry.type;
      return true;
    }
  }
  return false;
}

int DefineDrive(char letter, const std::string& typeName, const std::string& unixPath) {
  ULONG type;
  if (!ParseDriveType(typeName, type)) {
    std::fprintf(stderr, "setup: unknown drive type '%s'\n", typeName.c_str());
    return 2;
  }
  if (type != DRIVE_NO_ROOT_DIR && unixPath.empty()) {
    std::fprintf(stderr, "setup: drive %c: needs a host folder\n", letter);
    return 2;
  }
  const DWORD error = DefineUnixDrive(letter, type, unixPath);
  if (error != ERROR_SUCCESS) {
    SetLastError(error);
    return Fail("the mount manager refused the drive");
  }
  return 0;
}

int ShowDrive(char letter) {
  const char root[] = {letter, ':', '\\', 0};
  std::printf("%u\n", GetDriveTypeA(root));
  return 0;
}

bool SetDword(HKEY key, const char* name, DWORD value) {
  return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value) ==
         ERROR_SUCCESS;
}

int WriteSettings(const std::string& directory) {
  if (directory.size() > 255) {
    std::fprintf(stderr, "setup: the installation directory is longer than 255 characters\n");
    return 2;
  }
  HKEY key;
  if (RegCreateKeyExA(HKEY_CLASSES_ROOT, "Velkoro\\Settings", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      &key, nullptr) != ERROR_SUCCESS) {
    return Fail("cannot create the settings key");
  }
  bool ok = RegSetValueExA(key, "Directory", 0, REG_SZ, reinterpret_cast<const BYTE*>(directory.c_str()),
                           static_cast<DWORD>(directory.size() + 1)) == ERROR_SUCCESS;
  // Ctrl+Alt+F; a first start scans, and starts automatically from then on.
  ok = ok && SetDword(key, "SaveSuccessful", 0) && SetDword(key, "StartupOptions", 1) &&
       SetDword(key, "HotKey", 'F') && SetDword(key, "HotKeyShift", 5) && SetDword(key, "CRC32", 0);
  RegCloseKey(key);
  return ok ? 0 : Fail("cannot write the settings");
}

int SetPlatform(const std::string& version) {
  HKEY key;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) != ERROR_SUCCESS) {
    return Fail("cannot open the Wine settings");
  }
  const LONG result = RegSetValueExA(key, "Version", 0, REG_SZ,
                                     reinterpret_cast<const BYTE*>(version.c_str()),
                                     static_cast<DWORD>(version.size() + 1));
  RegCloseKey(key);
  return result == ERROR_SUCCESS ? 0 : Fail("cannot set the Windows version");
}

int Usage() {
  std::fprintf(stderr,
               "usage: setup.exe platform VERSION | drive LETTER TYPE [HOSTFOLDER] | "
               "settings DIRECTORY | show-drive LETTER\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  const std::string command = argv[1];
  if (command == "platform") return SetPlatform(argv[2]);
  if (command == "settings") return WriteSettings(argv[2]);
  if (command == "show-drive") return ShowDrive(argv[2][0]);
  if (command == "drive" && argc >= 4) return DefineDrive(argv[2][0], argv[3], argc >= 5 ? argv[4] : "");
  return Usage();
}
