// One run of the helper's work on an X display: the grab, the presses it
// reports to the library and the library's answers, and the X focus it
// moves for the library (grab_protocol.h). Single-threaded: the helper's
// loop hands it each line from the library and each turn of X events.
#pragma once

#include <X11/Xlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "grab_protocol.h"
#include "key_grab.h"
#include "x_errors.h"
#include "x_focus.h"

namespace hotkey_grab {

class TGrabSession {
 public:
  TGrabSession(Display* display, int events) : display_(display), events_(events), grab_(display) {}

  // One line from the library.
  void Command(const std::string& line) {
    const grab_protocol::TMessage message = grab_protocol::Parse(line);
    if (message.Kind == grab_protocol::TKind::Key) {
      SetKey(static_cast<uint16_t>(message.First), static_cast<uint32_t>(message.Second));
    }
    if (message.Kind == grab_protocol::TKind::Raise) Raise(message.First, message.Second);
    if (message.Kind == grab_protocol::TKind::Replay || message.Kind == grab_protocol::TKind::Take) {
      Answered(message.Kind == grab_protocol::TKind::Replay);
    }
  }

  // How long poll may wait: for ever, unless a press waits for its answer.
  int WaitMs() const {
    if (!awaiting_) return -1;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(answerDue_ - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
  }

  // A library that does not answer in time (busy, or gone) must not keep
  // the keyboard frozen: the press goes on to the focused window, as if
  // there were no grab.
  void AnswerOverdue() {
    if (awaiting_ && Clock::now() >= answerDue_) Answered(true);
  }

  void XEvents() {
    while (XPending(display_)) {
      XEvent event;
      XNextEvent(display_, &event);
      // Every press here comes through the grab, which froze the keyboard;
      // one that is not the combination (it cannot be, short of a changed
      // keyboard map) is handed on at once.
      if (event.type == KeyPress && grab_.Matches(event.xkey)) Pressed();
      else if (event.type == KeyPress) grab_.AllowKeyboard(true);
      if (event.type == UnmapNotify && event.xunmap.window == raised_) GiveBack();
    }
  }

 private:
  void SetKey(uint16_t virtualKey, uint32_t shiftBits) {
    const TGrabResult result = grab_.Grab(virtualKey, shiftBits);
    if (result == TGrabResult::Refused) {
      // Said once a refused key, on the program's own error output.
      std::fprintf(stderr,
                   "velkoro-hotkey: another X program holds the hot key (key %u, modifiers %u); it works over "
                   "Wine windows only\n",
                   virtualKey, shiftBits);
    }
    Send(grab_protocol::KeyAnswer(result == TGrabResult::Grabbed   ? grab_protocol::TKind::KeyGrabbed
                       : result == TGrabResult::Refused ? grab_protocol::TKind::KeyRefused
                                                        : grab_protocol::TKind::KeyNone));
  }

  void Pressed() {
    Window focus = None;
    int revert = 0;
    XGetInputFocus(display_, &focus, &revert);
    // PointerRoot names no window to give the focus back to.
    if (focus == PointerRoot) focus = None;
    awaiting_ = true;
    answerDue_ = Clock::now() + kAnswerWait;
    Send(grab_protocol::PressEvent(grab_.VirtualKey(), focus));
  }

  void Answered(bool replay) {
    if (!awaiting_) return;
    awaiting_ = false;
    grab_.AllowKeyboard(replay);
  }

  // The search window came up over a native program: it takes the X focus
  // now, and Back gets it again when the window goes.
  void Raise(Window window, Window back) {
    StopWatching();
    raised_ = window;
    back_ = back;
    {
      TXErrorTrap trap(display_);
      XSelectInput(display_, raised_, StructureNotifyMask);
      if (trap.Caught()) raised_ = None;
    }
    // Hidden already (or gone) before the watch began: nothing will say so.
    if (raised_ == None || !IsMapped(display_, raised_)) {
      GiveBack();
      return;
    }
    GiveFocus(display_, raised_);
  }

  void GiveBack() {
    const Window back = back_;
    StopWatching();
    GiveFocus(display_, back);
    XFlush(display_);
  }

  void StopWatching() {
    if (raised_ != None) {
      TXErrorTrap trap(display_);
      XSelectInput(display_, raised_, NoEventMask);
    }
    raised_ = back_ = None;
  }

  // A library that stopped reading loses presses rather than this side
  // waiting on it.
  void Send(const std::string& line) {
    const ssize_t written = write(events_, line.data(), line.size());
    (void)written;
  }

  using Clock = std::chrono::steady_clock;
  static constexpr std::chrono::milliseconds kAnswerWait{500};

  Display* display_;
  int events_;
  TKeyGrab grab_;
  bool awaiting_ = false;
  Clock::time_point answerDue_;
  Window raised_ = None;
  Window back_ = None;
};

}  // namespace hotkey_grab
