#include "target_edit_control.h"

#include "owned_handle.h"

HWND TargetEditControl = nullptr;

namespace {

constexpr DWORD kShortPathBufferLength = 260;

const char* FileNamePart(const char* path) {
  const char* name = path;
  for (const char* p = path; *p; ++p) {
    if (*p == '\\' || *p == '/') name = p + 1;
  }
  return name;
}

// On Windows 95 the process record names the program by its full path. Some
// platforms give the file name alone there; that is then compared with the
// file name of the module's path.
bool ExeFileNamesModule(const char* exeFile, const char* modulePath) {
  const bool bareName = FileNamePart(exeFile) == exeFile;
  return lstrcmpiA(exeFile, bareName ? FileNamePart(modulePath) : modulePath) == 0;
}

}  // namespace

bool FindProcessModule(DWORD process, DWORD moduleId, MODULEENTRY32& found) {
  const TOwnedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, process));
  if (!snapshot.Valid()) return false;
  MODULEENTRY32 module = {};
  module.dwSize = sizeof module;  // 548 bytes
  if (!Module32First(snapshot.Get(), &module)) return false;
  // Where no module carries the process record's module identifier (a
  // platform that numbers them differently), the first module, which is
  // the program itself, stands for it.
  const MODULEENTRY32 first = module;
  do {
    if (module.th32ModuleID == moduleId) {
      found = module;
      return true;
    }
  } while (Module32Next(snapshot.Get(), &module));
  found = first;
  return true;
}

bool ExePathMatchesModule(HWND window) {
  const TOwnedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot.Valid()) return false;
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  bool matches = false;
  PROCESSENTRY32 process = {};
  process.dwSize = sizeof process;  // 296 bytes
  for (BOOL more = Process32First(snapshot.Get(), &process); more;
       more = Process32Next(snapshot.Get(), &process)) {
    if (process.th32ProcessID != owner) continue;
    MODULEENTRY32 module = {};
    if (FindProcessModule(process.th32ProcessID, process.th32ModuleID, module) &&
        ExeFileNamesModule(process.szExeFile, module.szExePath)) {
      matches = true;
    }
  }
  return matches;
}

void SendPathToEditControl(HWND editControl, const std::string& path) {
  if (ExePathMatchesModule(editControl)) {
    SendMessageA(editControl, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    return;
  }
  char shortPath[kShortPathBufferLength] = {};
  const DWORD length = GetShortPathNameA(path.c_str(), shortPath, kShortPathBufferLength);
  // An empty row, "File Deleted" or a file that has gone has no short form:
  // the program then gets the long path, the best it can be given.
  const bool converted = length > 0 && length < kShortPathBufferLength;
  SendMessageA(editControl, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(converted ? shortPath : path.c_str()));
}
