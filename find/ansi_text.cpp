#include "ansi_text.h"

#include <cstdint>

namespace {

// Code page 1252's bytes 0x80 to 0x9F; the rest are Latin-1 itself. The
// five holes map to the C1 controls, as Windows' own table has them.
const uint16_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                            0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                            0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                            0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

uint32_t CodePoint(unsigned char byte) { return byte >= 0x80 && byte < 0xA0 ? kHigh[byte - 0x80] : byte; }

char AnsiOf(uint32_t codePoint) {
  if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF)) return static_cast<char>(codePoint);
  for (int i = 0; i < 32; ++i) {
    if (kHigh[i] == codePoint) return static_cast<char>(0x80 + i);
  }
  return '?';
}

void AppendUtf8(std::string& out, uint32_t codePoint) {
  if (codePoint < 0x80) {
    out.push_back(static_cast<char>(codePoint));
  } else if (codePoint < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
    out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
    out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  }
}

// Calls Take with each code page 1252 byte of a UTF-8 text, until it says
// to stop.
template <typename TTake>
void ForEachAnsiByte(std::string_view utf8, TTake take) {
  for (size_t i = 0; i < utf8.size();) {
    const unsigned char lead = static_cast<unsigned char>(utf8[i]);
    if (lead < 0x80) {
      if (!take(static_cast<char>(lead))) return;
      ++i;
      continue;
    }
    const size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    uint32_t codePoint = length == 4 ? lead & 0x07 : length == 3 ? lead & 0x0F : lead & 0x1F;
    bool valid = length > 1 && i + length <= utf8.size();
    for (size_t k = 1; valid && k < length; ++k) {
      const unsigned char next = static_cast<unsigned char>(utf8[i + k]);
      valid = (next & 0xC0) == 0x80;
      codePoint = codePoint << 6 | (next & 0x3F);
    }
    if (!take(valid ? AnsiOf(codePoint) : '?')) return;
    i += valid ? length : 1;
  }
}

char UpperByte(char c) {
  const unsigned char byte = static_cast<unsigned char>(c);
  if (byte >= 'a' && byte <= 'z') return static_cast<char>(byte - 0x20);
  if (byte >= 0xE0 && byte <= 0xFE && byte != 0xF7) return static_cast<char>(byte - 0x20);
  if (byte == 0x9A || byte == 0x9C || byte == 0x9E) return static_cast<char>(byte - 0x10);
  if (byte == 0xFF) return static_cast<char>(0x9F);
  return c;
}

}  // namespace

std::string AnsiFromUtf8(const std::string& utf8) {
  std::string ansi;
  ansi.reserve(utf8.size());
  ForEachAnsiByte(utf8, [&ansi](char c) {
    ansi.push_back(c);
    return true;
  });
  return ansi;
}

bool IsIndexName(std::string_view utf8, std::string_view key) {
  size_t at = 0;
  bool same = true;
  ForEachAnsiByte(utf8, [&](char c) {
    same = at < key.size() && UpperByte(c) == key[at++];
    return same;
  });
  return same && at == key.size();
}

std::string Utf8FromAnsi(const std::string& ansi) {
  std::string utf8;
  utf8.reserve(ansi.size() + 8);
  for (const char c : ansi) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      utf8.push_back(c);
    } else {
      AppendUtf8(utf8, CodePoint(byte));
    }
  }
  return utf8;
}

std::string AnsiUpper(std::string ansi) {
  for (char& c : ansi) c = UpperByte(c);
  return ansi;
}
