#include "directory_reader.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A link is shown as what it points to, as Wine shows it to the scan: a
// link to a directory is a directory; a dangling link is a file.
TEntryKind LinkKind(int directoryFd, const char* name) {
  struct stat target;
  if (fstatat(directoryFd, name, &target, 0) == 0 && S_ISDIR(target.st_mode)) {
    return TEntryKind::DirectoryLink;
  }
  return TEntryKind::File;
}

bool KindAt(int directoryFd, const char* name, TEntryKind& kind) {
  struct stat entry;
  if (fstatat(directoryFd, name, &entry, AT_SYMLINK_NOFOLLOW) != 0) return false;
  if (S_ISDIR(entry.st_mode)) {
    kind = TEntryKind::Directory;
  } else if (S_ISLNK(entry.st_mode)) {
    kind = LinkKind(directoryFd, name);
  } else {
    kind = TEntryKind::File;
  }
  return true;
}

}  // namespace

bool ReadDirectory(const std::string& hostPath, std::vector<TDirectoryEntry>& entries) {
  entries.clear();
  const int fd = open(hostPath.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  DIR* directory = fdopendir(fd);
  if (!directory) {
    close(fd);
    return false;
  }
  while (const dirent* entry = readdir(directory)) {
    const char* name = entry->d_name;
    if (name[0] == '.') continue;  // ".", ".." and every hidden name
    TEntryKind kind = TEntryKind::File;
    switch (entry->d_type) {
      case DT_DIR: kind = TEntryKind::Directory; break;
      case DT_LNK: kind = LinkKind(fd, name); break;
      case DT_UNKNOWN:
        if (!KindAt(fd, name, kind)) continue;
        break;
      default: break;
    }
    entries.push_back({name, kind});
  }
  closedir(directory);
  return true;
}

bool EntryKind(const std::string& hostPath, TEntryKind& kind) {
  return KindAt(AT_FDCWD, hostPath.c_str(), kind);
}
