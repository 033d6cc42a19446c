#include "crc32.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

uint32_t CrcOf(const std::string& text) {
  return StreamCRC(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

TEST(StreamCRC, MatchesTheStandardCheckValues) {
  struct Case {
    std::string Input;
    uint32_t Expected;
  };
  const Case cases[] = {
      {"123456789", 0xCBF43926u},
      {"", 0x00000000u},
      {"a", 0xE8B7BE43u},
      {"The quick brown fox jumps over the lazy dog", 0x414FA339u},
      {std::string(4, '\0'), 0x2144DF1Cu},  // the image of an empty tree
  };
  for (const Case& c : cases) EXPECT_EQ(CrcOf(c.Input), c.Expected) << '"' << c.Input << '"';
}

TEST(StreamCRC, CoversEveryByteValueThroughTheWholeTable) {
  std::vector<uint8_t> all(256);
  for (size_t i = 0; i < all.size(); ++i) all[i] = static_cast<uint8_t>(i);
  EXPECT_EQ(StreamCRC(all), 0x29058C73u);
  EXPECT_EQ(StreamCRC(all), StreamCRC(all.data(), all.size()));
}

TEST(StreamCRC, SeesAnySingleBitChange) {
  std::vector<uint8_t> image = {1, 0, 0, 0, 2, 0, 0, 0, 'C', ':'};
  const uint32_t original = StreamCRC(image);
  for (size_t byte = 0; byte < image.size(); ++byte) {
    for (int bit = 0; bit < 8; ++bit) {
      image[byte] ^= static_cast<uint8_t>(1u << bit);
      EXPECT_NE(StreamCRC(image), original) << "byte " << byte << " bit " << bit;
      image[byte] ^= static_cast<uint8_t>(1u << bit);
    }
  }
}

}  // namespace
