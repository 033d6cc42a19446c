#include "wildcard_pattern.h"

#include <cstring>

namespace {

// A piece (no stars) against the same number of name bytes.
bool PieceMatchesAt(const char* name, const std::string& piece) {
  for (size_t i = 0; i < piece.size(); ++i) {
    if (piece[i] != '?' && piece[i] != name[i]) return false;
  }
  return true;
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
  const size_t first = pattern.find('*');
  if (first == std::string_view::npos) {
    head_.assign(pattern);
    minimumLength_ = head_.size();
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
    bool found = false;
    while (at + piece.size() <= end) {
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
