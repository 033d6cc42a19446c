#include "channel_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "query_protocol.h"

std::string ChannelFolder(const std::string& prefix) {
  std::string folder = prefix;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder + "/" + query_protocol::kFolderName;
}

std::string ChannelFolderProblem(const std::string& folder) {
  struct stat info;
  if (lstat(folder.c_str(), &info) != 0) return folder + ": " + std::strerror(errno);
  if (!S_ISDIR(info.st_mode)) return folder + " is not a folder";
  if (info.st_uid != getuid()) return folder + " belongs to another user";
  if (info.st_mode & (S_IRWXG | S_IRWXO)) return folder + " is open to other users (it must be mode 0700)";
  return std::string();
}
