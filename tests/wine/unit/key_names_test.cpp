// The texts of a hot key: every virtual-key code against the table of key
// names, and every modifier mask.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "key_names.h"

namespace {

std::map<int, std::string> ExpectedKeyNames() {
  std::map<int, std::string> names = {
      {8, "Backspace"}, {9, "Tab"},     {12, "Clear"},  {13, "Return"}, {19, "Pause"},  {27, "Escape"},
      {32, "Space"},    {33, "Prior"},  {34, "Next"},   {35, "End"},    {36, "Home"},   {37, "Left"},
      {38, "Up"},       {39, "Right"},  {40, "Down"},   {41, "Select"}, {42, "Print"},  {45, "Insert"},
      {46, "Delete"},   {47, "Help"},   {106, "*"},     {107, "+"},     {108, "|"},     {109, "-"},
      {110, "."},       {111, "/"}};
  for (int digit = 0; digit <= 9; ++digit) names[48 + digit] = std::to_string(digit);
  for (char letter = 'A'; letter <= 'Z'; ++letter) names[letter] = std::string(1, letter);
  for (int number = 0; number <= 9; ++number) names[96 + number] = "Num " + std::to_string(number);
  for (int function = 1; function <= 24; ++function) names[111 + function] = "F" + std::to_string(function);
  return names;
}

TEST(KeyNameTest, EveryCodeFrom0To255HasItsNameOrNone) {
  const std::map<int, std::string> expected = ExpectedKeyNames();
  for (int key = 0; key <= 255; ++key) {
    const auto found = expected.find(key);
    EXPECT_EQ(KeyName(static_cast<uint16_t>(key)), found == expected.end() ? "" : found->second)
        << "virtual-key code " << key;
  }
}

TEST(KeyNameTest, CodesBeyondAByteAndTheModifierKeysHaveNoName) {
  for (uint16_t key : {16, 17, 18, 256, 0x0141, 0xFFFF}) EXPECT_EQ(KeyName(key), "") << key;
}

TEST(ModifierTextTest, EveryMaskGivesShiftCtrlAltInThatOrder) {
  const struct {
    int32_t Mask;
    const char* Text;
  } rows[] = {{0, ""},           {1, "Alt "},       {2, "Shift "},     {3, "Shift Alt "},
              {4, "Ctrl "},      {5, "Ctrl Alt "},  {6, "Shift Ctrl "}, {7, "Shift Ctrl Alt "},
              // Bits beyond the three modifiers name nothing.
              {8, ""},           {0x7FFFFFF9, "Alt "}};
  for (const auto& row : rows) EXPECT_EQ(ModifierText(row.Mask), row.Text) << "mask " << row.Mask;
}

}  // namespace
