#include "host_names.h"

#include <cstdint>
#include <cstring>

#include "device_names.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one character of UTF-8 at name[at], moving at past it;
// kReplacement and one byte for a byte that does not begin a valid one.
char32_t NextCharacter(const std::string& name, size_t& at, bool& valid) {
  const auto lead = static_cast<unsigned char>(name[at++]);
  if (lead < 0x80) return lead;
  int more = 0;
  char32_t value = 0;
  char32_t least = 0;
  if ((lead & 0xE0) == 0xC0) {
    more = 1, value = lead & 0x1F, least = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    more = 2, value = lead & 0x0F, least = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    more = 3, value = lead & 0x07, least = 0x10000;
  } else {
    valid = false;
    return kReplacement;
  }
  size_t next = at;
  for (int i = 0; i < more; ++i, ++next) {
    if (next >= name.size() || (static_cast<unsigned char>(name[next]) & 0xC0) != 0x80) {
      valid = false;
      return kReplacement;
    }
    value = (value << 6) | (static_cast<unsigned char>(name[next]) & 0x3F);
  }
  if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
    valid = false;
    return kReplacement;
  }
  at = next;
  return value;
}

// The characters of code page 1252 at 0x80-0x9F.
constexpr char16_t kWindowsLatin[] = u"\u20AC\u201A\u0192\u201E\u2026\u2020\u2021\u02C6\u2030\u0160\u2039\u0152"
                                     u"\u017D\u2018\u2019\u201C\u201D\u2022\u2013\u2014\u02DC\u2122\u0161\u203A"
                                     u"\u0153\u017E\u0178";

bool InCodePage(char32_t c) {
  if (c >= 0x20 && c < 0x7F) return std::strchr(kPathSpecialCharacters, static_cast<char>(c)) == nullptr;
  if (c >= 0xA0 && c <= 0xFF) return true;
  for (const char16_t* w = kWindowsLatin; *w; ++w) {
    if (c == *w) return true;
  }
  return false;
}

char16_t UpperCase(char16_t c) {
  if (c >= u'a' && c <= u'z') return c - 32;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 32;
  if (c == 0xFF) return 0x178;
  return c;
}

}  // namespace

bool PlainName(const std::string& name) {
  if (name.empty() || name.back() == '.' || name.back() == ' ' || DosDeviceName(name)) return false;
  bool valid = true;
  for (size_t at = 0; at < name.size();) {
    if (!InCodePage(NextCharacter(name, at, valid)) || !valid) return false;
  }
  return true;
}

size_t CharacterCount(const std::string& name) {
  size_t count = 0;
  bool valid = true;
  for (size_t at = 0; at < name.size(); ++count) NextCharacter(name, at, valid);
  return count;
}

std::u16string SortKey(const std::string& name) {
  std::u16string key;
  key.reserve(name.size());
  bool valid = true;
  for (size_t at = 0; at < name.size();) {
    const char32_t c = NextCharacter(name, at, valid);
    if (c >= 0x10000) {
      key += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      key += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      key += UpperCase(static_cast<char16_t>(c));
    }
  }
  return key;
}
