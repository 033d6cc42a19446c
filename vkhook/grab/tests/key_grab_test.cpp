// The grab against a real X server (a private Xvfb; the test command starts
// one): every lock combination held, presses with the locks on matched,
// the old key free at once when the key moves, and a key another client
// holds refused whole.
// gtest before Xlib, whose macros (None, Bool) would break its headers.
#include <gtest/gtest.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <poll.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "key_grab.h"
#include "x_errors.h"

namespace {

using hotkey_grab::TGrabResult;
using hotkey_grab::TKeyGrab;
using hotkey_grab::TXErrorTrap;

constexpr uint32_t kAlt = 1, kShift = 2, kCtrl = 4;

struct DisplayCloser {
  void operator()(Display* display) const { XCloseDisplay(display); }
};
using TDisplay = std::unique_ptr<Display, DisplayCloser>;

TDisplay Open() {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) ADD_FAILURE() << "no X display: run under the test's Xvfb";
  return TDisplay(display);
}

KeyCode Code(Display* display, KeySym keysym) { return XKeysymToKeycode(display, keysym); }

// Whether another client may grab the key with these modifiers: it may not
// while the grab under test holds exactly that combination. A grab it gets
// is let go again at once.
bool OtherCanGrab(Display* other, KeyCode code, unsigned modifiers) {
  TXErrorTrap trap(other);
  XGrabKey(other, code, modifiers, DefaultRootWindow(other), True, GrabModeAsync, GrabModeAsync);
  if (trap.Caught(BadAccess)) return false;
  XUngrabKey(other, code, modifiers, DefaultRootWindow(other));
  XSync(other, False);
  return true;
}

void Press(const std::string& keys) {
  ASSERT_EQ(std::system(("xdotool key " + keys).c_str()), 0) << keys;
}

// The next key press the grab's client receives within a bound.
bool NextPress(Display* display, XKeyEvent& press) {
  for (int waited = 0; waited < 5000; waited += 50) {
    while (XPending(display)) {
      XEvent event;
      XNextEvent(display, &event);
      if (event.type == KeyPress) {
        press = event.xkey;
        return true;
      }
    }
    pollfd wait = {ConnectionNumber(display), POLLIN, 0};
    poll(&wait, 1, 50);
  }
  return false;
}

// How many presses of Code reach a client, waiting for the first within a
// bound and then taking whatever else has come.
int PressesOf(Display* display, KeyCode code) {
  int count = 0;
  XKeyEvent press;
  while (NextPress(display, press)) {
    if (press.keycode == code) ++count;
    if (count > 0 && XPending(display) == 0) {
      XSync(display, False);
      if (XPending(display) == 0) break;
    }
  }
  return count;
}

unsigned NumLockMask(Display* display) {
  XModifierKeymap* map = XGetModifierMapping(display);
  const KeyCode numLock = Code(display, XK_Num_Lock);
  unsigned mask = 0;
  for (int i = 0; i < 8 * map->max_keypermod; ++i) {
    if (map->modifiermap[i] == numLock && numLock != 0) mask = 1u << (i / map->max_keypermod);
  }
  XFreeModifiermap(map);
  return mask;
}

TEST(KeyGrab, HoldsEveryLockCombinationAndMatchesPressesWithLocksOn) {
  TDisplay display = Open(), other = Open();
  ASSERT_TRUE(display && other);
  const unsigned numLock = NumLockMask(display.get());
  ASSERT_NE(numLock, 0u) << "Xvfb's map has Num Lock as a modifier";
  TKeyGrab grab(display.get());
  // Caps Lock and Num Lock, no Scroll Lock on this map: four combinations.
  ASSERT_EQ(grab.LockVariants().size(), 4u);
  ASSERT_EQ(grab.Grab('F', kCtrl | kAlt), TGrabResult::Grabbed);
  const KeyCode f = Code(display.get(), XK_f);
  for (unsigned locks : {0u, unsigned(LockMask), numLock, LockMask | numLock}) {
    EXPECT_FALSE(OtherCanGrab(other.get(), f, ControlMask | Mod1Mask | locks)) << "locks " << locks;
  }
  EXPECT_TRUE(OtherCanGrab(other.get(), f, ControlMask)) << "Ctrl+F alone is not the hot key";

  XKeyEvent press;
  Press("ctrl+alt+f");
  ASSERT_TRUE(NextPress(display.get(), press));
  EXPECT_TRUE(grab.Matches(press));
  EXPECT_EQ(grab.VirtualKey(), 'F');
  grab.AllowKeyboard(false);
  // Num Lock and Caps Lock on: the same key still reaches the grab.
  Press("Num_Lock Caps_Lock");
  Press("ctrl+alt+f");
  ASSERT_TRUE(NextPress(display.get(), press)) << "no press with Num Lock and Caps Lock on";
  EXPECT_EQ(press.state & (numLock | LockMask), numLock | LockMask);
  EXPECT_TRUE(grab.Matches(press));
  grab.AllowKeyboard(false);
  Press("Num_Lock Caps_Lock");
  // Another modifier held is another combination.
  press.state |= ShiftMask;
  EXPECT_FALSE(grab.Matches(press));
}

// The keyboard waits at a press for the library's word: kept, the focused
// window never sees the key; replayed, it gets it as if there were no grab.
TEST(KeyGrab, APressIsKeptOrReplayedToTheFocusedWindow) {
  TDisplay display = Open(), client = Open();
  ASSERT_TRUE(display && client);
  const Window window = XCreateSimpleWindow(client.get(), DefaultRootWindow(client.get()), 0, 0, 100, 100, 0, 0, 0);
  XSelectInput(client.get(), window, KeyPressMask);
  XMapWindow(client.get(), window);
  XSync(client.get(), False);
  XSetInputFocus(client.get(), window, RevertToParent, CurrentTime);
  XSync(client.get(), False);
  TKeyGrab grab(display.get());
  ASSERT_EQ(grab.Grab('G', kCtrl | kAlt), TGrabResult::Grabbed);
  XKeyEvent press;
  Press("ctrl+alt+g");
  ASSERT_TRUE(NextPress(display.get(), press));
  grab.AllowKeyboard(false);
  Press("ctrl+alt+g");
  ASSERT_TRUE(NextPress(display.get(), press));
  grab.AllowKeyboard(true);
  // The modifiers reach the window either way; of the two G presses only
  // the replayed one does.
  EXPECT_EQ(PressesOf(client.get(), Code(client.get(), XK_g)), 1);
}

TEST(KeyGrab, ScrollLockCountsWhereTheMapMakesItAModifier) {
  TDisplay display = Open();
  ASSERT_TRUE(display);
  const KeyCode scrollLock = Code(display.get(), XK_Scroll_Lock);
  ASSERT_NE(scrollLock, 0);
  XModifierKeymap* saved = XGetModifierMapping(display.get());
  XModifierKeymap* map = XInsertModifiermapEntry(XGetModifierMapping(display.get()), scrollLock, Mod3MapIndex);
  ASSERT_EQ(XSetModifierMapping(display.get(), map), MappingSuccess);
  XFreeModifiermap(map);
  TKeyGrab grab(display.get());
  EXPECT_EQ(grab.LockVariants().size(), 8u);
  TDisplay other = Open();
  ASSERT_EQ(grab.Grab(112, kShift), TGrabResult::Grabbed);  // Shift+F1
  EXPECT_FALSE(OtherCanGrab(other.get(), Code(display.get(), XK_F1), ShiftMask | Mod3Mask | LockMask));
  grab.Release();
  ASSERT_EQ(XSetModifierMapping(display.get(), saved), MappingSuccess);
  XFreeModifiermap(saved);
}

TEST(KeyGrab, MovingTheKeyFreesTheOldAtOnceAndARefusedKeyIsLetGoWhole) {
  TDisplay display = Open(), other = Open();
  ASSERT_TRUE(display && other);
  TKeyGrab grab(display.get());
  ASSERT_EQ(grab.Grab('F', kCtrl | kAlt), TGrabResult::Grabbed);
  ASSERT_EQ(grab.Grab(35, kCtrl | kShift), TGrabResult::Grabbed);  // Ctrl+Shift+End
  EXPECT_TRUE(OtherCanGrab(other.get(), Code(display.get(), XK_f), ControlMask | Mod1Mask));
  EXPECT_FALSE(OtherCanGrab(other.get(), Code(display.get(), XK_End), ControlMask | ShiftMask | LockMask));

  // Another client holds Ctrl+Shift+H with Caps Lock only: the whole key is
  // refused, and none of its other combinations stays held.
  const KeyCode h = Code(display.get(), XK_h);
  XGrabKey(other.get(), h, ControlMask | ShiftMask | LockMask, DefaultRootWindow(other.get()), True,
           GrabModeAsync, GrabModeAsync);
  XSync(other.get(), False);
  EXPECT_EQ(grab.Grab('H', kCtrl | kShift), TGrabResult::Refused);
  XUngrabKey(other.get(), h, ControlMask | ShiftMask | LockMask, DefaultRootWindow(other.get()));
  XSync(other.get(), False);
  for (unsigned locks : grab.LockVariants()) {
    EXPECT_TRUE(OtherCanGrab(other.get(), h, ControlMask | ShiftMask | locks)) << "locks " << locks;
  }
  // The key given up for it is free too, and a key without a name grabs
  // nothing.
  EXPECT_TRUE(OtherCanGrab(other.get(), Code(display.get(), XK_End), ControlMask | ShiftMask));
  EXPECT_EQ(grab.Grab(186, kCtrl), TGrabResult::NoKey);
}

}  // namespace
