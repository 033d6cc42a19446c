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
  // Patterns whose answer reduces to one comparison, for callers that test
  // millions of names and want that comparison inline.
  enum class TShape {
    Nothing,        // the empty pattern
    Literal,        // no wildcard at all: the name must equal Literal()
    LiteralSuffix,  // one leading star then plain bytes: the name ends in Literal()
    Infix,          // plain bytes between two stars: the name holds Literal()
    General,
  };

  explicit TWildcardPattern(std::string_view pattern);
  bool Matches(const char* name, size_t length) const;

  TShape Shape() const { return shape_; }
  std::string_view Literal() const {
    return shape_ == TShape::Literal ? head_ : shape_ == TShape::Infix ? middle_[0] : tail_;
  }

 private:
  TShape shape_ = TShape::General;
  bool empty_ = true;   // the empty pattern matches nothing
  bool starred_ = false;
  std::string head_;    // before the first star (the whole pattern if none)
  std::string tail_;    // after the last star
  std::vector<std::string> middle_;  // between stars, empty pieces left out
  size_t minimumLength_ = 0;
};
