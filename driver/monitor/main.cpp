// velkoro-monitor FOLDER: watches the host folders listed in FOLDER/roots
// with inotify and writes one record per change to the FIFO FOLDER/records,
// for the driver velkoro.vxd. It ends when the driver closes FOLDER/control
// (or the driver's process ends), and removes FOLDER on the way out.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "change_monitor.h"
#include "monitor_protocol.h"
#include "published_fifo.h"
#include "record_writer.h"
#include "unique_fd.h"
#include "watch_tree.h"

namespace mp = monitor_protocol;

namespace {

constexpr int kPairWaitMs = 5;
constexpr int kIdleWaitMs = 1000;
constexpr auto kUnwatchedRetry = std::chrono::seconds(5);

std::vector<std::string> ReadRoots(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  const std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::string> roots;
  size_t start = 0;
  for (size_t end; (end = all.find('\0', start)) != std::string::npos; start = end + 1) {
    if (end == start) continue;
    // A drive's folder is often reached through a link (the prefix's
    // dosdevices): the watch and the walk need the folder itself.
    const std::string given = all.substr(start, end - start);
    char* real = realpath(given.c_str(), nullptr);
    roots.push_back(real ? real : given);
    std::free(real);
  }
  return roots;
}

// Made under a temporary name and renamed into place once this side holds
// it open: the driver opens a FIFO only when it sees its final name, and
// then never waits for this side.
struct TWatchedFolder {
  TWatchedFolder(const std::string& folder, int index)
      : Inotify(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)), Tree(folder, index), Monitor(Inotify.get(), Tree) {}
  TFd Inotify;
  TWatchTree Tree;
  TChangeMonitor Monitor;
};

void RemoveFolder(const std::string& folder) {
  for (const char* name : {mp::kRootsFile, mp::kRecordsFifo, mp::kControlFifo}) {
    unlink((folder + "/" + name).c_str());
  }
  rmdir(folder.c_str());
}

// The driver has let go of the control FIFO: its writer closed, or its
// process ended.
bool DriverGone(const pollfd& control) {
  if (control.revents & (POLLHUP | POLLERR)) return true;
  if (control.revents & POLLIN) {
    char byte;
    return read(control.fd, &byte, 1) == 0;
  }
  return false;
}

// The driver writes one byte to the control FIFO once it holds both ends;
// a driver that never comes (it ended while starting this) ends this too.
bool DriverConnected(int control) {
  constexpr int kConnectWaitMs = 30000;
  pollfd wait = {control, POLLIN, 0};
  char byte;
  return poll(&wait, 1, kConnectWaitMs) == 1 && read(control, &byte, 1) == 1;
}

int Run(const std::string& folder) {
  const std::vector<std::string> roots = ReadRoots(folder + "/" + mp::kRootsFile);
  if (roots.empty() || roots.size() > 255) {
    std::fprintf(stderr, "velkoro-monitor: no folders to watch in %s/%s\n", folder.c_str(), mp::kRootsFile);
    return 1;
  }
  // Every directory is watched before the FIFOs appear: the driver, which
  // waits for them, then knows that no change is missed from here on.
  std::vector<std::unique_ptr<TWatchedFolder>> folders;
  for (size_t i = 0; i < roots.size(); ++i) {
    auto watched = std::make_unique<TWatchedFolder>(roots[i], static_cast<int>(i));
    if (watched->Inotify.get() < 0 || !watched->Monitor.WatchAll()) return 1;
    folders.push_back(std::move(watched));
  }
  // The control FIFO has no writer yet: opened without waiting. The records
  // FIFO is opened for reading as well, so that this side never waits for
  // the driver to open it and the driver never waits for this side.
  TFd control = PublishFifo(folder + "/" + mp::kControlFifo, O_RDONLY | O_NONBLOCK);
  TFd records = control.valid() ? PublishFifo(folder + "/" + mp::kRecordsFifo, O_RDWR | O_NONBLOCK) : TFd();
  if (!records.valid()) {
    std::fprintf(stderr, "velkoro-monitor: cannot set up: %s\n", std::strerror(errno));
    return 1;
  }
  // The folder goes before the FIFOs close: their end is the driver's sign
  // that the monitor has finished.
  struct TFolderRemoval {
    const std::string& Folder;
    ~TFolderRemoval() { RemoveFolder(Folder); }
  } removal{folder};
  TRecordWriter writer(records.get(), control.get());
  for (auto& watched : folders) watched->Monitor.SetOutput(writer);
  if (!DriverConnected(control.get())) {
    std::fprintf(stderr, "velkoro-monitor: no driver connected to %s\n", folder.c_str());
    return 1;
  }
  writer.Add(mp::kReady, 0, 0, std::string(), std::string(), mp::kSpellingsUnknown, mp::kSpellingsUnknown);
  if (!writer.Flush()) return 1;

  std::vector<char> buffer(256 * 1024);
  std::vector<pollfd> watched(folders.size() + 1);
  auto lastRetry = std::chrono::steady_clock::now();
  for (;;) {
    bool pendingMoves = false;
    for (size_t i = 0; i < folders.size(); ++i) {
      watched[i] = {folders[i]->Inotify.get(), POLLIN, 0};
      pendingMoves |= folders[i]->Monitor.HasPendingMoves();
    }
    watched.back() = {control.get(), POLLIN, 0};
    const int ready = poll(watched.data(), watched.size(), pendingMoves ? kPairWaitMs : kIdleWaitMs);
    if (ready < 0 && errno != EINTR) return 1;
    if (DriverGone(watched.back())) return 0;
    const bool unwatchedRetryDue = std::chrono::steady_clock::now() - lastRetry >= kUnwatchedRetry;
    if (unwatchedRetryDue) lastRetry = std::chrono::steady_clock::now();
    for (size_t i = 0; i < folders.size(); ++i) {
      TChangeMonitor& monitor = folders[i]->Monitor;
      if (watched[i].revents & POLLIN) {
        for (;;) {
          const ssize_t got = read(watched[i].fd, buffer.data(), buffer.size());
          if (got <= 0) break;
          monitor.HandleEvents(buffer.data(), static_cast<size_t>(got));
          monitor.EndOfBatch();
          // Written as they come, so that the driver is never far behind;
          // while it is, the kernel keeps queueing.
          if (writer.Pending() >= 64 * 1024 && !writer.Flush()) return 0;
        }
      } else if (ready == 0 && monitor.HasPendingMoves()) {
        monitor.FlushPendingMoves();
      }
      if (unwatchedRetryDue && monitor.HasUnwatched()) monitor.RetryUnwatched();
    }
    if (!writer.Flush()) return 0;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: velkoro-monitor FOLDER\n");
    return 2;
  }
  signal(SIGPIPE, SIG_IGN);
  const std::string folder = argv[1];
  const int status = Run(folder);
  RemoveFolder(folder);
  return status;
}
