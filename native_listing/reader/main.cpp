// velkoro-scan-reader FOLDER: run by the program's drive scan under Wine for
// each drive that is a host folder. Reads the drive's host folder from
// FOLDER/root, makes the FIFO FOLDER/listings, and once the program holds
// it (FOLDER/opened appears) writes every directory's listing into it in the
// order the scan asks for them, reading ahead while the scan works on what
// came before. Ends when the walk is done, or as soon as the program closes
// its end (a cancelled scan).
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "drive_walk.h"
#include "listing_protocol.h"
#include "published_fifo.h"

namespace lp = listing_protocol;

namespace {

// How long the program may take to open the FIFO once it is there.
constexpr int kOpenWaitMs = 30000;
constexpr int kPollMs = 1;
// Room for a few thousand listings ahead of the scan; the kernel may give
// less to a user past its pipe quota, which only shortens the lead.
constexpr int kPipeBytes = 1 << 20;

int Fail(const std::string& what) {
  std::fprintf(stderr, "velkoro-scan-reader: %s\n", what.c_str());
  return 1;
}

bool WriteAll(int fd, const std::string& bytes) {
  for (size_t at = 0; at < bytes.size();) {
    const ssize_t done = write(fd, bytes.data() + at, bytes.size() - at);
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) return false;
    at += static_cast<size_t>(done);
  }
  return true;
}

// The FIFO, open for writing once the program holds its other end. Until
// then the reader holds both ends, so that Wine's open of it never waits
// for a writer; after, the program's end is the only one, so that its
// close ends the reader's next write.
int OpenListings(const std::string& folder) {
  const std::string fifo = folder + "/" + lp::kListingsFifo;
  TFd both = PublishFifo(fifo, O_RDWR | O_NONBLOCK);
  if (!both.valid()) return -1;
  const std::string opened = folder + "/" + lp::kOpenedFile;
  struct stat status;
  for (int waited = 0; stat(opened.c_str(), &status) != 0; waited += kPollMs) {
    if (waited >= kOpenWaitMs) {
      unlink(fifo.c_str());
      return -1;
    }
    usleep(kPollMs * 1000);
  }
  const int writer = open(fifo.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
  both.reset();
  // Both ends are open: the name can go (Wine cannot remove a FIFO).
  unlink(fifo.c_str());
  if (writer < 0) return -1;
  fcntl(writer, F_SETFL, fcntl(writer, F_GETFL) & ~O_NONBLOCK);
  fcntl(writer, F_SETPIPE_SZ, kPipeBytes);
  return writer;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 || argv[1][0] != '/') return Fail("usage: velkoro-scan-reader /FOLDER");
  // A program that has gone shows as a failed write, not as a signal.
  signal(SIGPIPE, SIG_IGN);
  const std::string folder = argv[1];
  std::ifstream rootFile(folder + "/" + lp::kRootFile, std::ios::binary);
  const std::string root((std::istreambuf_iterator<char>(rootFile)), std::istreambuf_iterator<char>());
  if (root.empty() || root[0] != '/') return Fail("no host folder in " + folder + "/" + lp::kRootFile);
  const std::string pidFile = folder + "/" + lp::kPidFile;
  std::ofstream(pidFile) << getpid() << '\n';
  const int listings = OpenListings(folder);
  bool walked = false;
  if (listings >= 0) {
    walked = WalkDrive(root, [listings](const std::string& bytes) { return WriteAll(listings, bytes); });
    close(listings);
  }
  // The program removes its own files and then the folder; whichever of
  // the two ends last removes the folder.
  unlink(pidFile.c_str());
  rmdir(folder.c_str());
  if (listings < 0) return Fail("the program did not open " + folder + "/" + lp::kListingsFifo);
  return walked ? 0 : 1;
}
