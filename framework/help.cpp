#include "help.h"

namespace {

constexpr char kHelpFileName[] = "Vk96.hlp";

}  // namespace

// The help file travels with the program: a fixed folder would name one
// particular machine, so it is looked for beside Velkoro.exe.
std::string ApplicationHelpFile() {
  char modulePath[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(nullptr, modulePath, sizeof modulePath);
  std::string folder(modulePath, length);
  const std::string::size_type separator = folder.find_last_of("\\/");
  folder.resize(separator == std::string::npos ? 0 : separator + 1);
  return folder + kHelpFileName;
}

void ShowHelpContents(HWND window) {
  WinHelpA(window, ApplicationHelpFile().c_str(), HELP_FINDER, 0);
}

void ShowControlHelp(HWND window, const HELPINFO& request) {
  if (request.dwContextId == 0) return;
  WinHelpA(window, ApplicationHelpFile().c_str(), HELP_CONTEXT, request.dwContextId);
}
