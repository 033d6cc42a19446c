#include "wildcard_pattern.h"

#include <cstdint>
#include <cstring>

namespace {

// A piece (no stars) against the same number of name bytes.
bool PieceMatchesAt(const char* name, const std::string& piece) {
  for (size_t i = 0; i < piece.size(); ++i) {
    if (piece[i] != '?' && piece[i] != name[i]) return false;
  }
  return true;
}

// Bit 7 of each byte of the result is set where `word` holds `byte`, and
// possibly also in bytes above such a match; the lowest set bit is always a
// real match.
inline uint64_t MatchMask(uint64_t word, char byte) {
  constexpr uint64_t kOnes = 0x0101010101010101ull;
  constexpr uint64_t kHighs = 0x8080808080808080ull;
  const uint64_t diff = word ^ (kOnes * static_cast<unsigned char>(byte));
  return (diff - kOnes) & ~diff & kHighs;
}

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

// The first position from `from` to `last` (inclusive) of a text of
// `length` bytes that holds `byte`, or last + 1. Eight bytes at a time and
// never outside the text: names are short, and a loop of single bytes with
// its unpredictable end would cost more than the rest of a *PIECE* search.
size_t FindByte(const char* text, size_t length, size_t from, size_t last, char byte) {
  size_t at = from;
  if (length < 8) {
    while (at <= last && text[at] != byte) ++at;
    return at;
  }
  while (at + 8 <= last + 1) {
    const uint64_t mask = MatchMask(LoadWord(text + at), byte);
    if (mask) return at + LowestByte(mask);
    at += 8;
  }
  if (at > last) return last + 1;
  // The rest, fewer than eight bytes, through the word that ends at `last`
  // (or the text's first word), with the bytes before `at` masked off.
  const size_t base = last >= 7 ? last - 7 : 0;
  uint64_t mask = MatchMask(LoadWord(text + base), byte);
  mask &= ~0ull << (8 * (at - base));
  if (base + 8 > last + 1) mask &= ~0ull >> (8 * (base + 8 - (last + 1)));
  return mask ? base + LowestByte(mask) : last + 1;
}

// Bit 7 of each byte of the result is set exactly where `word` holds `byte`.
inline uint64_t ExactMatchMask(uint64_t word, char byte) {
  constexpr uint64_t kLows = 0x7F7F7F7F7F7F7F7Full;
  const uint64_t diff = word ^ (0x0101010101010101ull * static_cast<unsigned char>(byte));
  return ~(((diff & kLows) + kLows) | diff | kLows);
}

}  // namespace

bool HoldsPiece(const char* name, size_t length, std::string_view piece) {
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

bool WildcardBytesMatch(const char* name, size_t nameLength, const char* pattern,
                        size_t patternLength) {
  if (nameLength == 0) return false;
  size_t n = 0, p = 0;
  size_t starAt = patternLength;  // none yet
  size_t resumeAt = 0;            // name position the last star has taken up to
  while (n < nameLength) {
    if (p < patternLength && pattern[p] == '*') {
      starAt = p++;
      resumeAt = n;
    } else if (p < patternLength && (pattern[p] == '?' || pattern[p] == name[n])) {
      ++n;
      ++p;
    } else if (starAt != patternLength) {
      // Let the last star take one byte more and try again after it.
      p = starAt + 1;
      n = ++resumeAt;
    } else {
      return false;
    }
  }
  while (p < patternLength && pattern[p] == '*') ++p;
  return p == patternLength;
}

TWildcardPattern::TWildcardPattern(std::string_view pattern) {
  empty_ = pattern.empty();
  const bool anyQuestionMark = pattern.find('?') != std::string_view::npos;
  const size_t first = pattern.find('*');
  if (first == std::string_view::npos) {
    head_.assign(pattern);
    minimumLength_ = head_.size();
    shape_ = empty_ ? TShape::Nothing : anyQuestionMark ? TShape::General : TShape::Literal;
    return;
  }
  starred_ = true;
  const size_t last = pattern.rfind('*');
  head_.assign(pattern.substr(0, first));
  tail_.assign(pattern.substr(last + 1));
  size_t start = first + 1;
  while (start <= last) {
    const size_t star = pattern.find('*', start);
    if (star > start) middle_.emplace_back(pattern.substr(start, star - start));
    start = star + 1;
  }
  minimumLength_ = head_.size() + tail_.size();
  for (const std::string& piece : middle_) minimumLength_ += piece.size();
  if (!anyQuestionMark && head_.empty() && middle_.empty()) shape_ = TShape::LiteralSuffix;
  if (!anyQuestionMark && head_.empty() && tail_.empty() && middle_.size() == 1) {
    shape_ = TShape::Infix;
  }
}

bool TWildcardPattern::Matches(const char* name, size_t length) const {
  if (empty_ || length == 0) return false;
  if (!starred_) return length == head_.size() && PieceMatchesAt(name, head_);
  if (length < minimumLength_) return false;
  // The last piece first: it rejects most names of a typical *.EXT search.
  if (!PieceMatchesAt(name + length - tail_.size(), tail_)) return false;
  if (!PieceMatchesAt(name, head_)) return false;
  size_t at = head_.size();
  const size_t end = length - tail_.size();
  for (const std::string& piece : middle_) {
    // Leftmost place of the piece in what is left; taking the leftmost one
    // never loses a match, since any later piece fits at least as well.
    // Places are tried only where the first byte already fits, unless the
    // piece starts with a question mark.
    const char lead = piece[0];
    bool found = false;
    while (at + piece.size() <= end) {
      if (lead != '?') {
        at = FindByte(name, length, at, end - piece.size(), lead);
        if (at + piece.size() > end) break;
      }
      if (PieceMatchesAt(name + at, piece)) {
        found = true;
        break;
      }
      ++at;
    }
    if (!found) return false;
    at += piece.size();
  }
  return true;
}
