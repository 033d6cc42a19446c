// The texts by which a hot key is shown: the name of one key, and the
// modifier prefix of a stored combination.
#pragma once

#include <cstdint>
#include <string>

// The modifier bits of a hot key.
constexpr int32_t kModifierAlt = 1;
constexpr int32_t kModifierShift = 2;
constexpr int32_t kModifierCtrl = 4;

// The name of the key with virtual-key code Key; empty for a key without a
// name (the modifier keys among them).
std::string KeyName(uint16_t key);
// "Shift ", "Ctrl ", "Alt " for the bits set in Modifiers, in that order.
std::string ModifierText(int32_t modifiers);
