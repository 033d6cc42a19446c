// File-name patterns with `*` (any run of bytes, the empty run included) and
// `?` (exactly one byte); every other byte matches itself exactly, and an
// empty name never matches.
//
// WildcardBytesMatch is the general matcher: no allocation, and at most
// O(name x pattern) steps, since on a mismatch it only goes back to the last
// star. TWildcardPattern gives the same answers faster for a pattern used
// against many names: it splits the pattern once at its stars, anchors the
// first and last pieces at the two ends of the name and finds the pieces
// between leftmost-first, which decides a name like FOO.TXT against *.TXT
// with one four-byte comparison.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

bool WildcardBytesMatch(const char* name, size_t nameLength, const char* pattern,
                        size_t patternLength);

class TWildcardPattern {
 public:
  explicit TWildcardPattern(std::string_view pattern);
  bool Matches(const char* name, size_t length) const;

 private:
  bool empty_ = true;   // the empty pattern matches nothing
  bool starred_ = false;
  std::string head_;    // before the first star (the whole pattern if none)
  std::string tail_;    // after the last star
  std::vector<std::string> middle_;  // between stars, empty pieces left out
  size_t minimumLength_ = 0;
};
