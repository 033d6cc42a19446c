#include "query_channel.h"

#include <functional>

#include "host_program.h"
#include "query_protocol.h"
#include "whole_file.h"

namespace qp = query_protocol;

std::string QueryChannelFolder() {
  // Every drive letter is a link in <prefix>/dosdevices, and Wine names a
  // drive's host path through it: C: is always the prefix's own drive.
  const std::string drive = HostPathOf(L"C:\\");
  const size_t links = drive.rfind("/dosdevices/");
  if (links == std::string::npos || links == 0) return std::string();
  return drive.substr(0, links) + "/" + qp::kFolderName;
}

namespace {

constexpr DWORD kChannelWaitMs = 10000;

// Runs velkoro-find-channel with Arguments, and waits until Done says its
// work is there.
bool RunChannelMaker(const std::wstring& arguments, const std::function<bool()>& done) {
  const std::wstring program = FileBesideModule(nullptr, L"velkoro-find-channel");
  return THostProgram::Start(program, arguments) &&
         THostProgram::WaitUntilReady(done, [] { return false; }, kChannelWaitMs);
}

}  // namespace

bool MakeQueryChannel(const std::string& folder) {
  const std::wstring ready = Win32PathOfHost(folder + "/" + qp::kReadyFile);
  DeleteFileW(ready.c_str());
  const bool made =
      RunChannelMaker(L"\"" + WideFromUtf8(folder) + L"\"", [&ready] { return HostFileExists(ready); });
  DeleteFileW(ready.c_str());
  return made;
}

void RemoveQueryChannel(const std::string& folder) {
  const std::wstring fifo = Win32PathOfHost(folder + "/" + qp::kRequestFifo);
  RunChannelMaker(L"--remove \"" + WideFromUtf8(folder) + L"\"", [&fifo] { return !HostFileExists(fifo); });
}

bool WriteFixedDrives(const std::string& folder) {
  std::string lines;
  for (const THostDrive& drive : FixedDriveFolders()) {
    lines += std::string(1, drive.Letter) + "\t" + drive.HostFolder + "\n";
  }
  const std::wstring path = Win32PathOfHost(folder + "/" + qp::kDrivesFile);
  return WriteWholeFile(path, lines, CREATE_ALWAYS) == TWholeFileWrite::Written;
}
