// velkoro-hotkey FOLDER: the hot key at the X server, for vkhook.dll. It
// grabs the key the library names on the root window of $DISPLAY, tells the
// library of each press with the window that had the X focus, gives the
// press to that window after all when the library says it is Wine's, and
// moves the X focus for it (grab_protocol.h). It ends when the library closes
// FOLDER/control (or its process ends), and removes FOLDER on the way out.
// Without a display it ends at once, and the library goes on without it.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "grab_protocol.h"
#include "grab_session.h"
#include "published_fifo.h"
#include "x_errors.h"

namespace gp = grab_protocol;

namespace {

void RemoveFolder(const std::string& folder) {
  for (const char* name : {gp::kControlFifo, gp::kEventsFifo}) unlink((folder + "/" + name).c_str());
  rmdir(folder.c_str());
}

// The library writes one byte once it holds both ends; a library that
// never comes (its process ended while starting this) ends this too.
bool LibraryConnected(int control) {
  constexpr int kConnectWaitMs = 30000;
  pollfd wait = {control, POLLIN, 0};
  char byte = 0;
  return poll(&wait, 1, kConnectWaitMs) == 1 && read(control, &byte, 1) == 1 && byte == gp::kConnected;
}


int Run(const std::string& folder) {
  struct TFolderRemoval {
    const std::string& Folder;
    ~TFolderRemoval() { RemoveFolder(Folder); }
  } removal{folder};
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return 1;  // no X: the Wine side watches alone
  hotkey_grab::IgnoreStrayXErrors();
  // The control FIFO has no writer yet: opened without waiting. The events
  // FIFO is opened for reading as well, so that neither side waits for the
  // other to open it.
  TFd control = PublishFifo(folder + "/" + gp::kControlFifo, O_RDONLY | O_NONBLOCK);
  TFd events = control.valid() ? PublishFifo(folder + "/" + gp::kEventsFifo, O_RDWR | O_NONBLOCK) : TFd();
  if (events.get() < 0) {
    std::fprintf(stderr, "velkoro-hotkey: cannot set up: %s\n", std::strerror(errno));
    XCloseDisplay(display);
    return 1;
  }
  if (!LibraryConnected(control.get())) {
    XCloseDisplay(display);
    return 1;
  }
  {
    hotkey_grab::TGrabSession helper(display, events.get());
    std::string pending;
    for (;;) {
      helper.XEvents();
      pollfd waits[2] = {{ConnectionNumber(display), POLLIN, 0}, {control.get(), POLLIN, 0}};
      if (poll(waits, 2, helper.WaitMs()) < 0) {
        if (errno == EINTR) continue;
        break;
      }
      helper.AnswerOverdue();
      if (waits[0].revents & (POLLHUP | POLLERR)) break;  // the X server has gone
      if (waits[1].revents & (POLLIN | POLLHUP | POLLERR)) {
        char buffer[512];
        const ssize_t got = read(control.get(), buffer, sizeof buffer);
        if (got == 0 || (got < 0 && errno != EAGAIN && errno != EINTR)) break;  // the library let go
        if (got > 0) pending.append(buffer, static_cast<size_t>(got));
        for (size_t end; (end = pending.find('\n')) != std::string::npos;) {
          helper.Command(pending.substr(0, end));
          pending.erase(0, end + 1);
        }
      }
    }
  }
  XCloseDisplay(display);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: velkoro-hotkey FOLDER\n");
    return 2;
  }
  signal(SIGPIPE, SIG_IGN);
  return Run(argv[1]);
}
