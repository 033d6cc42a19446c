#include "key_symbols.h"

namespace hotkey_grab {
namespace {

struct TKeyRow {
  uint16_t VirtualKey;
  uint32_t Keysym;
};

// Single keys; the runs (digits, letters, keypad digits, F keys) follow
// below, as the key names do.
constexpr TKeyRow kKeys[] = {
    {8, 0xff08},    // BackSpace
    {9, 0xff09},    // Tab
    {12, 0xff0b},   // Clear
    {13, 0xff0d},   // Return
    {19, 0xff13},   // Pause
    {27, 0xff1b},   // Escape
    {32, 0x0020},   // space
    {33, 0xff55},   // Prior
    {34, 0xff56},   // Next
    {35, 0xff57},   // End
    {36, 0xff50},   // Home
    {37, 0xff51},   // Left
    {38, 0xff52},   // Up
    {39, 0xff53},   // Right
    {40, 0xff54},   // Down
    {41, 0xff60},   // Select
    {42, 0xff61},   // Print
    {45, 0xff63},   // Insert
    {46, 0xffff},   // Delete
    {47, 0xff6a},   // Help
    {106, 0xffaa},  // KP_Multiply
    {107, 0xffab},  // KP_Add
    {108, 0xffac},  // KP_Separator
    {109, 0xffad},  // KP_Subtract
    {110, 0xffae},  // KP_Decimal
    {111, 0xffaf},  // KP_Divide
};

struct TKeyRun {
  uint16_t FirstVirtualKey;
  uint16_t Count;
  uint32_t FirstKeysym;
};

constexpr TKeyRun kRuns[] = {
    {'0', 10, 0x0030},  // 0 to 9
    {'A', 26, 0x0061},  // a to z
    {96, 10, 0xffb0},   // KP_0 to KP_9
    {112, 24, 0xffbe},  // F1 to F24
};

constexpr uint32_t kFirstUpperLetter = 0x0041, kLastUpperLetter = 0x005a;

}  // namespace

uint32_t KeysymOfVirtualKey(uint16_t virtualKey) {
  for (const TKeyRow& row : kKeys) {
    if (row.VirtualKey == virtualKey) return row.Keysym;
  }
  for (const TKeyRun& run : kRuns) {
    if (virtualKey >= run.FirstVirtualKey && virtualKey < run.FirstVirtualKey + run.Count) {
      return run.FirstKeysym + (virtualKey - run.FirstVirtualKey);
    }
  }
  return 0;
}

uint16_t VirtualKeyOfKeysym(uint32_t keysym) {
  if (keysym >= kFirstUpperLetter && keysym <= kLastUpperLetter) keysym += 0x20;
  for (const TKeyRow& row : kKeys) {
    if (row.Keysym == keysym) return row.VirtualKey;
  }
  for (const TKeyRun& run : kRuns) {
    if (keysym >= run.FirstKeysym && keysym < run.FirstKeysym + run.Count) {
      return static_cast<uint16_t>(run.FirstVirtualKey + (keysym - run.FirstKeysym));
    }
  }
  return 0;
}

}  // namespace hotkey_grab
