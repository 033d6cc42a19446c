// Xlib reports a failed request (a key another client holds, a window that
// has gone) to one handler per process, which by default ends the program.
// A trap catches them for the requests made while it lives.
#pragma once

#include <X11/Xlib.h>

namespace hotkey_grab {

class TXErrorTrap {
 public:
  explicit TXErrorTrap(Display* display);
  ~TXErrorTrap();
  TXErrorTrap(const TXErrorTrap&) = delete;
  TXErrorTrap& operator=(const TXErrorTrap&) = delete;

  // Waits for the server to answer every request made so far; then whether
  // one of them failed with Code (any code for 0).
  bool Caught(int code = 0);

 private:
  Display* display_;
  int (*previous_)(Display*, XErrorEvent*);
};

// Every error the helper may meet is one a trap expects or one it can live
// with (a window gone between two requests): never the end of it.
void IgnoreStrayXErrors();

}  // namespace hotkey_grab
