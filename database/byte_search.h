// Word-at-a-time byte searches over short texts (file names), shared by the
// wildcard matcher and the substring test of the name search. None reads a
// byte outside the text it is given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

// The first byte of the text in the lowest bits: both targets (x86-64 for
// the tests, i386 for the product) are little-endian.
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
#error "the byte search assumes a little-endian machine"
#endif
inline uint64_t LoadWord(const char* at) {
  uint64_t word;
  std::memcpy(&word, at, 8);
  return word;
}

// The index of the lowest byte whose bit 7 is set in a non-zero mask.
inline size_t LowestByte(uint64_t mask) {
#if defined(__GNUC__)
  return static_cast<size_t>(__builtin_ctzll(mask)) / 8;
#else
  size_t index = 0;
  while (!(mask & 0x80)) {
    mask >>= 8;
    ++index;
  }
  return index;
#endif
}

// Bit 7 of each byte of the result is set exactly where `word` holds `byte`.
inline uint64_t ExactMatchMask(uint64_t word, char byte) {
  constexpr uint64_t kLows = 0x7F7F7F7F7F7F7F7Full;
  const uint64_t diff = word ^ (0x0101010101010101ull * static_cast<unsigned char>(byte));
  return ~(((diff & kLows) + kLows) | diff | kLows);
}

// Whether the name holds the piece (plain bytes, no wildcard) anywhere.
inline bool HoldsPiece(const char* name, size_t length, std::string_view piece) {
  const size_t size = piece.size();
  if (size == 0) return length > 0;
  if (length < size) return false;
  if (size == 1) return std::memchr(name, piece[0], length) != nullptr;
  const size_t last = length - size;  // the last place the piece can start
  const char first = piece[0], second = piece[1];
  auto restFits = [&](size_t at) {
    return std::memcmp(name + at + 2, piece.data() + 2, size - 2) == 0;
  };
  if (length < 8) {
    for (size_t at = 0; at <= last; ++at) {
      if (name[at] == first && name[at + 1] == second && restFits(at)) return true;
    }
    return false;
  }
  // Eight bytes at a time give the places of the piece's first two bytes
  // among the first seven; the last word is the one that ends the name, with
  // the places already tried masked off. Never a byte outside the name.
  size_t at = 0;
  for (;;) {
    const size_t base = at + 8 <= length ? at : length - 8;
    const uint64_t word = LoadWord(name + base);
    uint64_t places = ExactMatchMask(word, first) & (ExactMatchMask(word, second) >> 8);
    places &= ~0ull << (8 * (at - base));
    while (places) {
      const size_t place = base + LowestByte(places);
      if (place > last) break;
      if (restFits(place)) return true;
      places &= places - 1;
    }
    if (base + 7 > last) return false;
    at = base + 7;
  }
}

