// A FIFO that a host program makes for the Win32 side to open. It is made
// under a temporary name and renamed into place only once this side holds
// it open, so that the Win32 side, which opens it as soon as it sees its
// final name, never waits for this side (Wine's open of a FIFO would block
// until both ends are there).
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "unique_fd.h"

// Path's FIFO, open with Flags; not valid (and nothing left at either name)
// when it cannot be made.
inline TFd PublishFifo(const std::string& path, int flags) {
  const std::string temporary = path + ".new";
  unlink(temporary.c_str());
  if (mkfifo(temporary.c_str(), 0600) != 0) return TFd();
  TFd fd(open(temporary.c_str(), flags | O_CLOEXEC));
  if (!fd.valid() || rename(temporary.c_str(), path.c_str()) != 0) {
    unlink(temporary.c_str());
    return TFd();
  }
  return fd;
}
