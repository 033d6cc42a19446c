#include "key_names.h"

#include "resource.h"
#include "resource_strings.h"

namespace {

// Keys whose names are texts of the string table, by virtual-key code.
struct TNamedKey {
  uint16_t Key;
  unsigned Text;
};
constexpr TNamedKey kNamedKeys[] = {
    {8, IDS_KEY_BACKSPACE},  {9, IDS_KEY_TAB},       {12, IDS_KEY_CLEAR},   {13, IDS_KEY_RETURN},
    {19, IDS_KEY_PAUSE},     {27, IDS_KEY_ESCAPE},   {32, IDS_KEY_SPACE},   {33, IDS_KEY_PRIOR},
    {34, IDS_KEY_NEXT},      {35, IDS_KEY_END},      {36, IDS_KEY_HOME},    {37, IDS_KEY_LEFT},
    {38, IDS_KEY_UP},        {39, IDS_KEY_RIGHT},    {40, IDS_KEY_DOWN},    {41, IDS_KEY_SELECT},
    {42, IDS_KEY_PRINT},     {45, IDS_KEY_INSERT},   {46, IDS_KEY_DELETE},  {47, IDS_KEY_HELP},
};

constexpr uint16_t kFirstDigit = '0', kLastDigit = '9';
constexpr uint16_t kFirstLetter = 'A', kLastLetter = 'Z';
constexpr uint16_t kFirstNumPad = 96, kLastNumPad = 105;
constexpr uint16_t kFirstKeypadSign = 106, kLastKeypadSign = 111;
constexpr char kKeypadSigns[] = "*+|-./";
constexpr uint16_t kFirstFunctionKey = 112, kLastFunctionKey = 135;

bool Within(uint16_t key, uint16_t first, uint16_t last) { return key >= first && key <= last; }

}  // namespace

std::string KeyName(uint16_t key) {
  for (const TNamedKey& named : kNamedKeys) {
    if (named.Key == key) return LoadResourceString(named.Text);
  }
  if (Within(key, kFirstDigit, kLastDigit) || Within(key, kFirstLetter, kLastLetter)) {
    return std::string(1, static_cast<char>(key));
  }
  if (Within(key, kFirstNumPad, kLastNumPad)) return "Num " + std::to_string(key - kFirstNumPad);
  if (Within(key, kFirstKeypadSign, kLastKeypadSign)) {
    return std::string(1, kKeypadSigns[key - kFirstKeypadSign]);
  }
  if (Within(key, kFirstFunctionKey, kLastFunctionKey)) {
    return "F" + std::to_string(key - kFirstFunctionKey + 1);
  }
  return std::string();
}

std::string ModifierText(int32_t modifiers) {
  std::string text;
  if (modifiers & kModifierShift) text += LoadResourceString(IDS_MODIFIER_SHIFT);
  if (modifiers & kModifierCtrl) text += LoadResourceString(IDS_MODIFIER_CTRL);
  if (modifiers & kModifierAlt) text += LoadResourceString(IDS_MODIFIER_ALT);
  return text;
}
