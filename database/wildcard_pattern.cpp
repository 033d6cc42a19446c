#include "wildcard_pattern.h"

#include <cstdint>
#include <cstring>

#include "byte_search.h"

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

}  // namespace

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
