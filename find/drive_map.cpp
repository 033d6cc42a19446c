#include "drive_map.h"

#include <climits>
#include <cstdlib>
#include <fstream>

#include "ansi_text.h"
#include "query_protocol.h"

namespace {

const std::string kNone;

// A drive's folder and the same folder with every link resolved: Wine names
// each drive through <prefix>/dosdevices.
std::string Resolved(const std::string& path) {
  char resolved[PATH_MAX];
  return realpath(path.c_str(), resolved) ? std::string(resolved) : std::string();
}

}  // namespace

bool TDriveMap::Load(const std::string& channelFolder, std::string& problem) {
  const std::string path = channelFolder + "/" + query_protocol::kDrivesFile;
  std::ifstream file(path);
  if (!file) {
    problem = "cannot read " + path;
    return false;
  }
  std::string line;
  while (std::getline(file, line)) {
    if (line.size() < 3 || line[1] != '\t') continue;
    const std::string root = Resolved(line.substr(2));
    if (!root.empty()) drives_.push_back({line[0], root});
  }
  return true;
}

std::string TDriveMap::DrivePathOf(const std::string& hostFolder) const {
  const TFixedDrive* best = nullptr;
  for (const TFixedDrive& drive : drives_) {
    const std::string& root = drive.HostRoot;
    const bool inside = root == "/" || hostFolder == root ||
                        (hostFolder.compare(0, root.size(), root) == 0 && hostFolder[root.size()] == '/');
    if (inside && (!best || root.size() > best->HostRoot.size())) best = &drive;
  }
  if (!best) return std::string();
  std::string rest = hostFolder.substr(best->HostRoot == "/" ? 0 : best->HostRoot.size());
  std::string path = {best->Letter, ':'};
  for (char& c : rest) {
    if (c == '/') c = '\\';
  }
  path += AnsiFromUtf8(rest);
  if (path.back() != '\\') path.push_back('\\');
  return path;
}

const std::string& TDriveMap::HostRoot(char letter) const {
  for (const TFixedDrive& drive : drives_) {
    if (drive.Letter == letter) return drive.HostRoot;
  }
  return kNone;
}
