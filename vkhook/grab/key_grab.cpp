#include "key_grab.h"

#include <X11/keysym.h>

#include "key_symbols.h"
#include "x_errors.h"

namespace hotkey_grab {
namespace {

constexpr uint32_t kShiftBitAlt = 1, kShiftBitShift = 2, kShiftBitCtrl = 4;

// The modifier (Mod1 to Mod5) that holds the key of Keysym, 0 for none.
unsigned ModifierOfKeysym(Display* display, const XModifierKeymap* map, KeySym keysym) {
  const KeyCode code = XKeysymToKeycode(display, keysym);
  if (code == 0) return 0;
  for (int modifier = Mod1MapIndex; modifier <= Mod5MapIndex; ++modifier) {
    for (int i = 0; i < map->max_keypermod; ++i) {
      if (map->modifiermap[modifier * map->max_keypermod + i] == code) return 1u << modifier;
    }
  }
  return 0;
}

}  // namespace

TKeyGrab::TKeyGrab(Display* display) : display_(display), root_(DefaultRootWindow(display)) {
  ReadModifierMap();
}

// Alt is Mod1 on every usual map, but the map says; so do Num Lock and
// Scroll Lock, which are modifiers only where the map makes them so.
void TKeyGrab::ReadModifierMap() {
  XModifierKeymap* map = XGetModifierMapping(display_);
  unsigned numLock = 0, scrollLock = 0;
  if (map != nullptr) {
    const unsigned alt = ModifierOfKeysym(display_, map, XK_Alt_L);
    if (alt != 0) altMask_ = alt;
    numLock = ModifierOfKeysym(display_, map, XK_Num_Lock);
    scrollLock = ModifierOfKeysym(display_, map, XK_Scroll_Lock);
    XFreeModifiermap(map);
  }
  std::vector<unsigned> locks = {LockMask};
  for (unsigned lock : {numLock, scrollLock}) {
    if (lock != 0 && lock != altMask_) locks.push_back(lock);
  }
  ignoredMask_ = 0;
  for (unsigned lock : locks) ignoredMask_ |= lock;
  // Every subset of the locks, the empty one first.
  lockVariants_.assign(1, 0);
  for (unsigned lock : locks) {
    const size_t count = lockVariants_.size();
    for (size_t i = 0; i < count; ++i) lockVariants_.push_back(lockVariants_[i] | lock);
  }
}

unsigned TKeyGrab::ModifierMask(uint32_t shiftBits) const {
  unsigned mask = 0;
  if (shiftBits & kShiftBitAlt) mask |= altMask_;
  if (shiftBits & kShiftBitShift) mask |= ShiftMask;
  if (shiftBits & kShiftBitCtrl) mask |= ControlMask;
  return mask;
}

TGrabResult TKeyGrab::Grab(uint16_t virtualKey, uint32_t shiftBits) {
  Release();
  const uint32_t keysym = KeysymOfVirtualKey(virtualKey);
  const KeyCode code = keysym != 0 ? XKeysymToKeycode(display_, keysym) : 0;
  if (code == 0) return TGrabResult::NoKey;
  const unsigned modifiers = ModifierMask(shiftBits);
  TXErrorTrap trap(display_);
  for (unsigned variant : lockVariants_) {
    // The keyboard waits at each press until the library has said whose
    // key it is (AllowKeyboard).
    XGrabKey(display_, code, modifiers | variant, root_, True, GrabModeAsync, GrabModeSync);
  }
  if (trap.Caught(BadAccess)) {
    for (unsigned variant : lockVariants_) XUngrabKey(display_, code, modifiers | variant, root_);
    XSync(display_, False);
    return TGrabResult::Refused;
  }
  keyCode_ = code;
  modifiers_ = modifiers;
  virtualKey_ = virtualKey;
  return TGrabResult::Grabbed;
}

void TKeyGrab::Release() {
  if (keyCode_ == 0) return;
  for (unsigned variant : lockVariants_) XUngrabKey(display_, keyCode_, modifiers_ | variant, root_);
  XSync(display_, False);
  keyCode_ = 0;
  virtualKey_ = 0;
}

void TKeyGrab::AllowKeyboard(bool replay) {
  XAllowEvents(display_, replay ? ReplayKeyboard : AsyncKeyboard, CurrentTime);
  XFlush(display_);
}

bool TKeyGrab::Matches(const XKeyEvent& press) const {
  // The pointer buttons' state bits ride along in the event's state.
  constexpr unsigned kKeyModifiers = ShiftMask | LockMask | ControlMask | Mod1Mask | Mod2Mask | Mod3Mask |
                                     Mod4Mask | Mod5Mask;
  return keyCode_ != 0 && press.keycode == keyCode_ &&
         (press.state & kKeyModifiers & ~ignoredMask_) == modifiers_;
}

}  // namespace hotkey_grab
