// The word-at-a-time finders against the plain string answers, for every
// name length around the word sizes and every place of the piece. The bytes
// before and after each name are the piece's own bytes, so a place outside
// the name that were not masked off would show as a false match.
#include "byte_search.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A name with `Before` bytes of header and some bytes behind it, both
// filled with `filler`, as a file entry lies in memory.
template <size_t Before>
class TFramedName {
 public:
  TFramedName(const std::string& name, const std::string& filler)
      : bytes_(kBefore + name.size() + kAfter) {
    for (size_t i = 0; i < bytes_.size(); ++i) bytes_[i] = filler[i % filler.size()];
    name.copy(bytes_.data() + kBefore, name.size());
  }
  const char* Name() const { return bytes_.data() + kBefore; }

 private:
  static constexpr size_t kBefore = Before;
  static constexpr size_t kAfter = 16;
  std::vector<char> bytes_;
};

// Every name of `length` bytes over the letters "xy" with the piece written
// at each place (or nowhere).
std::vector<std::string> NamesAround(const std::string& piece, size_t length) {
  std::vector<std::string> names;
  for (size_t at = 0; at <= length; ++at) {
    std::string name(length, at % 2 ? 'x' : 'y');
    if (at + piece.size() <= length) name.replace(at, piece.size(), piece);
    names.push_back(name);
  }
  return names;
}

template <size_t Before>
void CheckFindersAgainstThePlainAnswer() {
  const std::vector<std::string> pieces = {"A", "AB", "ABC", "ABCD", "AAB", "ABA", "ABCDEFGHIJ", "x"};
  size_t found = 0, checked = 0;
  for (const std::string& piece : pieces) {
    const TPieceFinder<Before> pieceFinder(piece);
    const bool shortSuffix = piece.size() <= TSuffixFinder<Before>::kLongest;
    const TSuffixFinder<Before> suffixFinder(shortSuffix ? piece : std::string());
    for (size_t length = 0; length <= 40; ++length) {
      for (const std::string& name : NamesAround(piece, length)) {
        // Fillers of the piece itself and of its first byte make a match
        // just outside the name as likely as it can be.
        for (const std::string& filler : {piece, std::string(1, piece[0])}) {
          const TFramedName<Before> framed(name, filler);
          const bool holds = length > 0 && name.find(piece) != std::string::npos;
          EXPECT_EQ(pieceFinder.In(framed.Name(), length), holds)
              << "header " << Before << " piece " << piece << " name '" << name << "'";
          if (shortSuffix) {
            const bool ends = length > 0 && length >= piece.size() &&
                              name.compare(length - piece.size(), piece.size(), piece) == 0;
            EXPECT_EQ(suffixFinder.In(framed.Name(), length), ends)
                << "header " << Before << " suffix " << piece << " name '" << name << "'";
          }
          found += holds;
          ++checked;
        }
      }
    }
  }
  // Both answers came up many times.
  EXPECT_GT(found, checked / 4);
  EXPECT_LT(found, checked);
}

// The headers of the 64-bit entry and the 32-bit one, and none at all.
TEST(ByteSearch, FindersAgreeWithThePlainAnswerAtEveryPlaceAndLength) {
  CheckFindersAgainstThePlainAnswer<10>();
  CheckFindersAgainstThePlainAnswer<6>();
  CheckFindersAgainstThePlainAnswer<0>();
}

}  // namespace
