// The hot key held at the X server: a passive grab on the root window for
// the key with its modifiers, in every combination with the lock modifiers
// (Caps Lock, Num Lock, and Scroll Lock where the keyboard map makes it a
// modifier), so that it fires whichever window has the focus and whatever
// the locks are.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <vector>

namespace hotkey_grab {

enum class TGrabResult {
  Grabbed,
  Refused,  // another X client holds the combination (BadAccess)
  NoKey,    // no key to grab: none given, none in the table or the keyboard
};

class TKeyGrab {
 public:
  explicit TKeyGrab(Display* display);
  ~TKeyGrab() { Release(); }
  TKeyGrab(const TKeyGrab&) = delete;
  TKeyGrab& operator=(const TKeyGrab&) = delete;

  // Releases the grab held and grabs VirtualKey with ShiftBits (1 Alt,
  // 2 Shift, 4 Ctrl); both have taken effect at the server on return. A
  // refused combination is released again whole: never a part of it.
  TGrabResult Grab(uint16_t virtualKey, uint32_t shiftBits);
  void Release();

  // After a press of the grabbed combination the keyboard waits for this:
  // Replay gives the press to the window with the X focus as if there were
  // no grab; otherwise the grab keeps it.
  void AllowKeyboard(bool replay);

  // Whether a key press is the grabbed combination, and its virtual key.
  bool Matches(const XKeyEvent& press) const;
  uint16_t VirtualKey() const { return virtualKey_; }

  // The modifier masks grabbed beside the combination's own.
  const std::vector<unsigned>& LockVariants() const { return lockVariants_; }

 private:
  unsigned ModifierMask(uint32_t shiftBits) const;
  void ReadModifierMap();

  Display* display_;
  Window root_;
  unsigned altMask_ = Mod1Mask;
  unsigned ignoredMask_ = LockMask;  // the lock modifiers together
  std::vector<unsigned> lockVariants_;
  KeyCode keyCode_ = 0;
  unsigned modifiers_ = 0;
  uint16_t virtualKey_ = 0;
};

}  // namespace hotkey_grab
