// velkoro-find-channel FOLDER: run by Velkoro at start to set up its query
// channel, which a Win32 program cannot do itself (Wine makes no FIFOs, and
// its DeleteFileW refuses to remove one). Makes FOLDER private (mode 0700)
// if it is not there, refuses one that is not private and the user's own,
// removes the reply FIFOs of clients that are gone, puts a fresh request
// FIFO in place, replacing in one rename the one a killed program may have
// left, and then makes the file "ready", for which the program waits; on
// failure it does not, and the reason is on standard error.
//
// velkoro-find-channel --remove FOLDER: run by Velkoro as it ends: removes
// the request FIFO and the drives file, and the folder once it is empty.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "channel_folder.h"
#include "query_protocol.h"

namespace qp = query_protocol;

namespace {

int Fail(const std::string& what) {
  std::fprintf(stderr, "velkoro-find-channel: %s\n", what.c_str());
  return 1;
}

// reply-PID-N: the client's process number is the second field.
bool ClientIsGone(const char* name) {
  const size_t prefix = sizeof qp::kReplyPrefix - 1;
  if (std::strncmp(name, qp::kReplyPrefix, prefix) != 0) return false;
  char* end = nullptr;
  const long pid = std::strtol(name + prefix, &end, 10);
  if (end == name + prefix || pid <= 0) return true;
  return kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

void RemoveRepliesOfGoneClients(const std::string& folder) {
  DIR* directory = opendir(folder.c_str());
  if (!directory) return;
  while (const dirent* entry = readdir(directory)) {
    if (ClientIsGone(entry->d_name)) unlink((folder + "/" + entry->d_name).c_str());
  }
  closedir(directory);
}

}  // namespace

int Remove(const std::string& folder) {
  for (const char* name : {qp::kRequestFifo, qp::kDrivesFile, qp::kReadyFile}) unlink((folder + "/" + name).c_str());
  rmdir(folder.c_str());
  return 0;
}

int main(int argc, char** argv) {
  const bool remove = argc == 3 && std::strcmp(argv[1], "--remove") == 0;
  if ((argc != 2 && !remove) || argv[argc - 1][0] != '/') {
    return Fail("usage: velkoro-find-channel [--remove] /FOLDER");
  }
  const std::string folder = argv[argc - 1];
  if (remove) return ChannelFolderProblem(folder).empty() ? Remove(folder) : 1;
  umask(077);
  if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return Fail(folder + ": " + std::strerror(errno));
  const std::string problem = ChannelFolderProblem(folder);
  if (!problem.empty()) return Fail(problem);

  RemoveRepliesOfGoneClients(folder);
  const std::string fifo = folder + "/" + qp::kRequestFifo;
  const std::string fresh = fifo + ".new";
  unlink(fresh.c_str());
  if (mkfifo(fresh.c_str(), 0600) != 0) return Fail(fresh + ": " + std::strerror(errno));
  if (rename(fresh.c_str(), fifo.c_str()) != 0) {
    const int error = errno;
    unlink(fresh.c_str());
    return Fail(fifo + ": " + std::strerror(error));
  }
  const int ready = open((folder + "/" + qp::kReadyFile).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (ready < 0) return Fail(folder + "/" + qp::kReadyFile + ": " + std::strerror(errno));
  close(ready);
  return 0;
}
