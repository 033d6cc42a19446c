// A key combination as the program gives it to SetKey, and as
// RegisterHotKey wants it.
#pragma once

#include <windows.h>

namespace vkhook {

// The program's modifier bits.
constexpr DWORD kShiftBitAlt = 1;
constexpr DWORD kShiftBitShift = 2;
constexpr DWORD kShiftBitCtrl = 4;

struct KeyCombination {
  UINT virtualKey = 0;
  UINT hotKeyModifiers = 0;  // MOD_ALT, MOD_SHIFT, MOD_CONTROL
  DWORD shiftBits = 0;       // the program's bits, as the X server's grab takes them
};

// The caller leaves the upper 16 bits of the key undefined, and only the
// three modifier bits have a meaning; anything else is dropped. Beyond that
// the combination is taken as it comes: no modifier, or a modifier key as
// the key itself, is registered unchanged.
constexpr KeyCombination ToKeyCombination(DWORD key, DWORD shiftBits) {
  KeyCombination combination;
  combination.virtualKey = key & 0xFFFF;
  combination.shiftBits = shiftBits & (kShiftBitAlt | kShiftBitShift | kShiftBitCtrl);
  if (shiftBits & kShiftBitAlt) combination.hotKeyModifiers |= MOD_ALT;
  if (shiftBits & kShiftBitShift) combination.hotKeyModifiers |= MOD_SHIFT;
  if (shiftBits & kShiftBitCtrl) combination.hotKeyModifiers |= MOD_CONTROL;
  return combination;
}

}  // namespace vkhook
