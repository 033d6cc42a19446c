#include "host_folder.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace {

// A host command is done within milliseconds; the bound only keeps a broken
// host from hanging the test run.
constexpr DWORD kHostCommandTimeoutMs = 10000;
constexpr DWORD kPollIntervalMs = 5;

std::string HostTemporaryRoot() {
  const char* tmp = std::getenv("TMPDIR");
  std::string root = tmp && *tmp == '/' ? tmp : "/tmp";
  while (root.size() > 1 && root.back() == '/') root.pop_back();
  return root;
}

std::string Win32PathOfHost(const std::string& hostPath) {
  std::string path = "\\\\?\\unix" + hostPath;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

bool Exists(const std::string& win32Path) {
  return GetFileAttributesA(win32Path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

template <typename Condition>
bool WaitFor(Condition condition) {
  const DWORD start = GetTickCount();
  while (!condition()) {
    if (GetTickCount() - start > kHostCommandTimeoutMs) return false;
    Sleep(kPollIntervalMs);
  }
  return true;
}

// Wine starts a host program for CreateProcess of a host executable, but
// hands back no process handle: completion is seen through what the command
// leaves behind. The handle values it leaves in the answer are whatever was
// on its stack, often handles of this process: closing them closed the test
// program's standard output, so they are left alone.
bool StartHostShell(const std::string& command) {
  if (command.find('"') != std::string::npos) {
    throw std::invalid_argument("host command with a double quote: " + command);
  }
  std::string commandLine = "sh -c \"" + command + "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  return CreateProcessA("\\\\?\\unix\\bin\\sh", &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process) != 0;
}

void Check(bool ok, const std::string& what) {
  if (!ok) throw std::runtime_error(what + " (error " + std::to_string(GetLastError()) + ")");
}

}  // namespace

std::string ShellQuoted(const std::string& hostPath) {
  std::string quoted = "'";
  for (char c : hostPath) {
    if (c == '\'') quoted += "'\\''";
    else quoted += c;
  }
  return quoted + "'";
}

THostFolder::THostFolder() {
  static unsigned counter = 0;
  const std::string base = HostTemporaryRoot() + "/velkoro-winedb-" + std::to_string(GetCurrentProcessId());
  for (;;) {
    hostPath_ = base + "-" + std::to_string(counter++);
    if (CreateDirectoryA(Win32PathOfHost(hostPath_).c_str(), nullptr)) return;
    Check(GetLastError() == ERROR_ALREADY_EXISTS, "cannot make the host folder " + hostPath_);
  }
}

THostFolder::~THostFolder() {
  const std::string quoted = ShellQuoted(hostPath_);
  // Permissions a test took away are given back first, so that removal also
  // works for a user who is not the host's root.
  const bool started = StartHostShell("chmod -R u+rwx " + quoted + "; rm -rf " + quoted);
  const std::string path = Win32Path();
  if (!started || !WaitFor([&] { return !Exists(path); })) {
    std::fprintf(stderr, "could not remove the host folder %s\n", hostPath_.c_str());
  }
}

std::string THostFolder::HostPath(const std::string& relative) const {
  std::string path = hostPath_;
  if (!relative.empty()) path += "/" + relative;
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  return path;
}

std::string THostFolder::Win32Path(const std::string& relative) const {
  return Win32PathOfHost(HostPath(relative));
}

void THostFolder::MakeDirectory(const std::string& relative) const {
  const std::string path = Win32Path(relative);
  // Every level from the top, as mkdir -p would.
  for (size_t at = Win32Path().size() + 1; at != std::string::npos && at < path.size();) {
    const size_t end = path.find('\\', at);
    const std::string level = path.substr(0, end);
    if (!CreateDirectoryA(level.c_str(), nullptr)) {
      Check(GetLastError() == ERROR_ALREADY_EXISTS, "cannot make the directory " + level);
    }
    at = end == std::string::npos ? end : end + 1;
  }
}

void THostFolder::MakeFile(const std::string& relative) const {
  const std::string host = HostPath(relative);
  const size_t slash = host.rfind('/');
  if (slash > hostPath_.size()) MakeDirectory(host.substr(hostPath_.size() + 1, slash - hostPath_.size() - 1));
  const std::string path = Win32Path(relative);
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  Check(file != INVALID_HANDLE_VALUE, "cannot make the file " + path);
  CloseHandle(file);
}

void THostFolder::Remove(const std::string& relative) const {
  const std::string path = Win32Path(relative);
  const DWORD attributes = GetFileAttributesA(path.c_str());
  Check(attributes != INVALID_FILE_ATTRIBUTES, "no such path to remove: " + path);
  Check((attributes & FILE_ATTRIBUTE_DIRECTORY) ? RemoveDirectoryA(path.c_str()) : DeleteFileA(path.c_str()),
        "cannot remove " + path);
}

void THostFolder::Rename(const std::string& from, const std::string& to) const {
  Check(MoveFileA(Win32Path(from).c_str(), Win32Path(to).c_str()),
        "cannot rename " + from + " to " + to);
}

void THostFolder::Shell(const std::string& command) const {
  static unsigned counter = 0;
  const std::string marker = hostPath_ + ".done-" + std::to_string(counter++);
  const std::string markerPath = Win32PathOfHost(marker);
  Check(StartHostShell("(" + command + ") && : > " + ShellQuoted(marker)), "cannot start " + command);
  if (!WaitFor([&] { return Exists(markerPath); })) {
    throw std::runtime_error("host command failed or did not finish: " + command);
  }
  DeleteFileA(markerPath.c_str());
}

bool HostIgnoresPermissions() {
  // The effective capabilities of this very process (Wine runs the program
  // in the host process that reads the file): CAP_DAC_OVERRIDE (bit 1) or
  // CAP_DAC_READ_SEARCH (bit 2) let it read a directory of mode 000.
  const HANDLE file = CreateFileA("\\\\?\\unix\\proc\\self\\status", GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return true;
  std::string status;
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) status.append(buffer, read);
  CloseHandle(file);
  const size_t at = status.find("CapEff:");
  if (at == std::string::npos) return true;
  const unsigned long long capabilities = std::strtoull(status.c_str() + at + 7, nullptr, 16);
  return (capabilities & 0x6) != 0;
}
