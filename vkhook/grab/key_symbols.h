// The hot key's key as the X server names it: the Windows virtual-key code
// of every key the hot-key dialog gives a name to, and its X keysym. The
// values are the X protocol's own (keysymdef.h), so this builds on either
// side without X's headers.
#pragma once

#include <cstdint>

namespace hotkey_grab {

// The keysym of a virtual key, 0 for a key the table does not hold (the
// modifier keys, keys without a name): such a key is watched by the Wine
// side alone.
uint32_t KeysymOfVirtualKey(uint16_t virtualKey);

// The virtual key of a keysym, 0 for none. Letters are taken in either
// case, since X names a letter key by its lower-case keysym.
uint16_t VirtualKeyOfKeysym(uint32_t keysym);

}  // namespace hotkey_grab
