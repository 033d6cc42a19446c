#include "x_errors.h"

namespace hotkey_grab {
namespace {

// The handler has no context argument: what it saw is kept here, for the
// one trap that is open (the helper is single-threaded).
int caughtCode = 0;

int RecordError(Display*, XErrorEvent* error) {
  if (caughtCode == 0) caughtCode = error->error_code;
  return 0;
}

int IgnoreError(Display*, XErrorEvent*) { return 0; }

}  // namespace

TXErrorTrap::TXErrorTrap(Display* display) : display_(display) {
  XSync(display_, False);
  caughtCode = 0;
  previous_ = XSetErrorHandler(RecordError);
}

TXErrorTrap::~TXErrorTrap() {
  XSync(display_, False);
  XSetErrorHandler(previous_);
}

bool TXErrorTrap::Caught(int code) {
  XSync(display_, False);
  return code == 0 ? caughtCode != 0 : caughtCode == code;
}

void IgnoreStrayXErrors() { XSetErrorHandler(IgnoreError); }

}  // namespace hotkey_grab
