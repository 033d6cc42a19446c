#include "spelling_index.h"

#include <algorithm>
#include <functional>
#include <string_view>

namespace {

constexpr char kUnmappable = '?';

// Code page 1252's bytes 0x80 to 0x9F and the characters they stand for;
// 0xA0 to 0xFF are Latin-1's own.
struct TWindowsByte {
  uint32_t CodePoint;
  unsigned char Byte;
};
constexpr TWindowsByte kWindowsBytes[] = {
    {0x20AC, 0x80}, {0x201A, 0x82}, {0x0192, 0x83}, {0x201E, 0x84}, {0x2026, 0x85}, {0x2020, 0x86},
    {0x2021, 0x87}, {0x02C6, 0x88}, {0x2030, 0x89}, {0x0160, 0x8A}, {0x2039, 0x8B}, {0x0152, 0x8C},
    {0x017D, 0x8E}, {0x2018, 0x91}, {0x2019, 0x92}, {0x201C, 0x93}, {0x201D, 0x94}, {0x2022, 0x95},
    {0x2013, 0x96}, {0x2014, 0x97}, {0x02DC, 0x98}, {0x2122, 0x99}, {0x0161, 0x9A}, {0x203A, 0x9B},
    {0x0153, 0x9C}, {0x017E, 0x9E}, {0x0178, 0x9F}};

void AppendAnsi(uint32_t codePoint, std::string& out) {
  if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF)) {
    out += static_cast<char>(codePoint);
    return;
  }
  for (const TWindowsByte& mapped : kWindowsBytes) {
    if (mapped.CodePoint == codePoint) {
      out += static_cast<char>(mapped.Byte);
      return;
    }
  }
  // Beyond the basic plane a character is two UTF-16 units, each a "?".
  out.append(codePoint > 0xFFFF ? 2 : 1, kUnmappable);
}

char UpperAnsi(unsigned char c) {
  if (c >= 'a' && c <= 'z') return static_cast<char>(c - 0x20);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char>(c - 0x20);
  switch (c) {
    case 0x9A: return static_cast<char>(0x8A);  // s caron
    case 0x9C: return static_cast<char>(0x8C);  // oe
    case 0x9E: return static_cast<char>(0x8E);  // z caron
    case 0xFF: return static_cast<char>(0x9F);  // y diaeresis
    default: return static_cast<char>(c);
  }
}

// Decodes one UTF-8 character at text[at]; false (one byte taken) when
// there is none, as for a stray or cut-off byte.
bool DecodeUtf8(std::string_view text, size_t& at, uint32_t& codePoint) {
  const unsigned char lead = static_cast<unsigned char>(text[at]);
  size_t length = 0;
  uint32_t minimum = 0;
  if (lead < 0x80) {
    codePoint = lead;
    ++at;
    return true;
  } else if ((lead & 0xE0) == 0xC0) {
    length = 2, minimum = 0x80, codePoint = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, minimum = 0x800, codePoint = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, minimum = 0x10000, codePoint = lead & 0x07;
  } else {
    ++at;
    return false;
  }
  if (at + length > text.size()) {
    ++at;
    return false;
  }
  for (size_t i = 1; i < length; ++i) {
    const unsigned char next = static_cast<unsigned char>(text[at + i]);
    if ((next & 0xC0) != 0x80) {
      ++at;
      return false;
    }
    codePoint = (codePoint << 6) | (next & 0x3F);
  }
  if (codePoint < minimum || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
    ++at;
    return false;
  }
  at += length;
  return true;
}

}  // namespace

std::string StoredName(const std::string& hostName) {
  std::string ansi;
  ansi.reserve(hostName.size());
  for (size_t at = 0; at < hostName.size();) {
    uint32_t codePoint = 0;
    if (DecodeUtf8(hostName, at, codePoint)) {
      AppendAnsi(codePoint, ansi);
    } else {
      ansi += kUnmappable;
    }
  }
  for (char& c : ansi) c = UpperAnsi(static_cast<unsigned char>(c));
  return ansi;
}

TSpellingIndex::TKey TSpellingIndex::KeyOf(const std::string& hostName, bool directory) {
  const std::hash<std::string_view> hash;
  // Files and directories of one stored name are told apart: the program
  // keeps them apart too (an entry and a node).
  const uint64_t kind = directory ? 1 : 0;
  return {(hash(StoredName(hostName)) << 1) | kind, hash(hostName)};
}

void TSpellingIndex::Assign(const std::vector<TDirectoryEntry>& entries) {
  keys_.clear();
  keys_.reserve(entries.size());
  for (const TDirectoryEntry& entry : entries) {
    keys_.push_back(KeyOf(entry.Name, entry.Kind != TEntryKind::File));
  }
  std::sort(keys_.begin(), keys_.end());
  keys_.erase(std::unique(keys_.begin(), keys_.end()), keys_.end());
}

void TSpellingIndex::Add(const std::string& hostName, bool directory) {
  const TKey key = KeyOf(hostName, directory);
  const auto at = std::lower_bound(keys_.begin(), keys_.end(), key);
  if (at == keys_.end() || !(*at == key)) keys_.insert(at, key);
}

void TSpellingIndex::Remove(const std::string& hostName, bool directory) {
  const TKey key = KeyOf(hostName, directory);
  const auto at = std::lower_bound(keys_.begin(), keys_.end(), key);
  if (at != keys_.end() && *at == key) keys_.erase(at);
}

size_t TSpellingIndex::Count(const std::string& hostName, bool directory) const {
  const uint64_t stored = KeyOf(hostName, directory).Stored;
  const auto first = std::lower_bound(keys_.begin(), keys_.end(), TKey{stored, 0});
  size_t count = 0;
  for (auto at = first; at != keys_.end() && at->Stored == stored; ++at) ++count;
  return count;
}
