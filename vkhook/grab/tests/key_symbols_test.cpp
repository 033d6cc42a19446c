// The key table both ways: every key the hot-key dialog names maps to the
// keysym X itself names it by, and that keysym back to the key; no other
// key maps to anything.
// gtest before Xlib, whose macros (None, Bool) would break its headers.
#include <gtest/gtest.h>
#include <X11/Xlib.h>

#include <set>
#include <string>
#include <vector>

#include "key_symbols.h"

namespace {

struct TRow {
  uint16_t VirtualKey;
  std::string XName;
};

std::vector<TRow> NamedKeys() {
  std::vector<TRow> rows = {
      {8, "BackSpace"}, {9, "Tab"},     {12, "Clear"},   {13, "Return"}, {19, "Pause"},  {27, "Escape"},
      {32, "space"},    {33, "Prior"},  {34, "Next"},    {35, "End"},    {36, "Home"},   {37, "Left"},
      {38, "Up"},       {39, "Right"},  {40, "Down"},    {41, "Select"}, {42, "Print"},  {45, "Insert"},
      {46, "Delete"},   {47, "Help"},   {106, "KP_Multiply"}, {107, "KP_Add"}, {108, "KP_Separator"},
      {109, "KP_Subtract"}, {110, "KP_Decimal"}, {111, "KP_Divide"},
  };
  for (char c = '0'; c <= '9'; ++c) rows.push_back({static_cast<uint16_t>(c), std::string(1, c)});
  for (char c = 'A'; c <= 'Z'; ++c) rows.push_back({static_cast<uint16_t>(c), std::string(1, c - 'A' + 'a')});
  for (int n = 0; n <= 9; ++n) rows.push_back({static_cast<uint16_t>(96 + n), "KP_" + std::to_string(n)});
  for (int n = 1; n <= 24; ++n) rows.push_back({static_cast<uint16_t>(111 + n), "F" + std::to_string(n)});
  return rows;
}

TEST(KeySymbols, EveryNamedKeyMapsToItsXKeysymAndBack) {
  std::set<uint16_t> mapped;
  for (const TRow& row : NamedKeys()) {
    SCOPED_TRACE("virtual key " + std::to_string(row.VirtualKey) + " (" + row.XName + ")");
    const KeySym keysym = XStringToKeysym(row.XName.c_str());
    ASSERT_NE(keysym, static_cast<KeySym>(NoSymbol));
    EXPECT_EQ(hotkey_grab::KeysymOfVirtualKey(row.VirtualKey), keysym);
    EXPECT_EQ(hotkey_grab::VirtualKeyOfKeysym(static_cast<uint32_t>(keysym)), row.VirtualKey);
    mapped.insert(row.VirtualKey);
  }
  EXPECT_EQ(mapped.size(), 26u + 10u + 26u + 10u + 24u);
  // Keys without a name (the modifier keys, 186 and the like) have no row.
  for (unsigned key = 0; key <= 0xFFFF; ++key) {
    if (mapped.count(static_cast<uint16_t>(key)) == 0) {
      ASSERT_EQ(hotkey_grab::KeysymOfVirtualKey(static_cast<uint16_t>(key)), 0u) << "virtual key " << key;
    }
  }
}

TEST(KeySymbols, LettersInEitherCaseAndUnknownKeysyms) {
  EXPECT_EQ(hotkey_grab::VirtualKeyOfKeysym(XStringToKeysym("F")), 'F');
  EXPECT_EQ(hotkey_grab::VirtualKeyOfKeysym(XStringToKeysym("f")), 'F');
  for (const char* name : {"Shift_L", "Control_L", "Alt_L", "Num_Lock", "Caps_Lock", "semicolon", "Menu"}) {
    EXPECT_EQ(hotkey_grab::VirtualKeyOfKeysym(static_cast<uint32_t>(XStringToKeysym(name))), 0u) << name;
  }
}

}  // namespace
