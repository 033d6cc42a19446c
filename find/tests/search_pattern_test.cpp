// The command's dialect: the name a pattern stands for, and the plain piece
// by which the program narrows the candidates of a regular expression. A
// piece that some match lacks would lose results, so every row's piece is
// also checked against matches of its expression.
#include <regex.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "search_pattern.h"

TEST(SearchPattern, NamesWithoutWildcardsAreHeld) {
  EXPECT_EQ(DialectName("zlib", false), "*zlib*");
  EXPECT_EQ(DialectName("zlib", true), "zlib");
  EXPECT_EQ(DialectName("*.h", false), "*.h");
  EXPECT_EQ(DialectName("???.ini", false), "???.ini");
  EXPECT_EQ(DialectName("", false), "");
}

TEST(SearchPattern, PlainPieceOfARegularExpression) {
  struct TCase {
    const char* Regex;
    const char* Piece;
    std::vector<const char*> Matches;  // names the expression matches
  };
  const TCase cases[] = {
      {"zlib", "zlib", {"zlib.h", "libzlib.a"}},
      {"^zlib.*\\.h$", "zlib", {"zlib.h", "zlibx.h"}},
      {"lib.*\\.so\\.[0-9]+$", ".so.", {"libz.so.1"}},
      {"colou?r", "colo", {"color", "colour"}},
      {"ab*c", "a", {"ac"}},  // "a" and "c" alone: of two as long, the first
      {"abc+d", "abc", {"abcccd"}},
      {"x{0,2}yz", "yz", {"yz", "xxyz"}},
      {"(foo)?barbaz", "barbaz", {"barbaz", "foobarbaz"}},
      {"foo|barbaz", "", {"foo"}},
      {"(foo|bar)qux", "qux", {"fooqux"}},
      {"[abc]def", "def", {"adef"}},
      {"[]x]yzw", "yzw", {"]yzw"}},
      {"a\\.b\\*c", "a.b", {"a.b*c"}},  // a wildcard byte cannot go to the program
      {"\\wfoo", "foo", {"xfoo"}},
      {".*", "", {"anything"}},
  };
  for (const TCase& c : cases) {
    const std::string piece = LongestPlainPiece(c.Regex);
    EXPECT_EQ(piece, c.Piece) << c.Regex;
    regex_t regex;
    ASSERT_EQ(regcomp(&regex, c.Regex, REG_EXTENDED | REG_NOSUB), 0) << c.Regex;
    for (const char* name : c.Matches) {
      EXPECT_EQ(regexec(&regex, name, 0, nullptr, 0), 0) << c.Regex << " on " << name;
      EXPECT_NE(std::string(name).find(piece), std::string::npos) << c.Regex << ": " << name << " lacks " << piece;
    }
    regfree(&regex);
  }
}
