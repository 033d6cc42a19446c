// The program's side of the request format, natively: requests whole,
// split, several in one read, and damaged ones, after which the next
// request is still found.
#include <gtest/gtest.h>

#include <string>

#include "query_request.h"
#include "query_protocol.h"

namespace qp = query_protocol;

namespace {

std::string Request(const std::string& reply, const std::string& pattern, uint16_t kind = qp::kQuery,
                    int lengthError = 0) {
  qp::TRequestHeader header = {};
  header.Magic = qp::kRequestMagic;
  header.Kind = kind;
  header.ReplyLength = static_cast<uint16_t>(reply.size());
  header.PatternLength = static_cast<uint32_t>(pattern.size());
  header.Length = static_cast<uint32_t>(sizeof header + reply.size() + pattern.size() + lengthError);
  header.Flags = qp::kCountOnly;
  header.Limit = 7;
  header.Token = 42;
  return std::string(reinterpret_cast<const char*>(&header), sizeof header) + reply + pattern;
}

}  // namespace

TEST(QueryRequest, WholeSplitAndSeveralInOneRead) {
  const std::string first = Request("reply-1-1", "*.TXT");
  const std::string second = Request("reply-2-9", "C:\\WINDOWS\\*.INI");
  const std::string data = first + second;
  TQueryRequest request;
  for (size_t cut = 0; cut < first.size(); ++cut) {
    size_t offset = 0;
    EXPECT_EQ(NextRequest(data.substr(0, cut), offset, request), TRequestParse::NeedMore) << cut;
    EXPECT_EQ(offset, 0u);
  }
  size_t offset = 0;
  ASSERT_EQ(NextRequest(data, offset, request), TRequestParse::Request);
  EXPECT_EQ(request.ReplyName, "reply-1-1");
  EXPECT_EQ(request.Pattern, "*.TXT");
  EXPECT_EQ(request.Flags, uint32_t{qp::kCountOnly});
  EXPECT_EQ(request.Limit, 7u);
  ASSERT_EQ(NextRequest(data, offset, request), TRequestParse::Request);
  EXPECT_EQ(request.ReplyName, "reply-2-9");
  EXPECT_EQ(request.Pattern, "C:\\WINDOWS\\*.INI");
  EXPECT_EQ(offset, data.size());
  EXPECT_EQ(NextRequest(data, offset, request), TRequestParse::NeedMore);
}

TEST(QueryRequest, DamageIsRefusedAndTheNextRequestFound) {
  struct TCase {
    const char* Name;
    std::string Bytes;
    bool Answerable;  // the reply FIFO is known, so the client hears why
  };
  const TCase cases[] = {
      {"garbage", "no request at all", false},
      {"lengths that do not add up", Request("reply-1-1", "*.TXT", qp::kQuery, 3), true},
      {"longer than PIPE_BUF", Request("reply-1-1", std::string(5000, 'A')), true},
      {"unknown kind", Request("reply-1-1", "*.TXT", 9), true},
      {"empty pattern", Request("reply-1-1", ""), true},
      {"pattern too long", Request("reply-1-1", std::string(300, 'A')), true},
      {"NUL in the pattern", Request("reply-1-1", std::string("A\0B", 3)), true},
      {"reply FIFO outside the folder", Request("../../etc/x", "*.TXT"), false},
      {"reply FIFO not ours", Request("requests", "*.TXT"), false},
  };
  const std::string good = Request("reply-3-3", "GOOD");
  for (const TCase& c : cases) {
    const std::string data = c.Bytes + good;
    size_t offset = 0;
    TQueryRequest request;
    TRequestParse parse = NextRequest(data, offset, request);
    ASSERT_EQ(parse, TRequestParse::Malformed) << c.Name;
    EXPECT_FALSE(request.Problem.empty()) << c.Name;
    EXPECT_EQ(request.ReplyName.empty(), !c.Answerable) << c.Name;
    // Whatever the damage, the next request is found whole.
    while ((parse = NextRequest(data, offset, request)) == TRequestParse::Malformed) {
    }
    ASSERT_EQ(parse, TRequestParse::Request) << c.Name;
    EXPECT_EQ(request.Pattern, "GOOD") << c.Name;
    EXPECT_EQ(request.ReplyName, "reply-3-3") << c.Name;
  }
}

TEST(QueryRequest, StopCarriesItsToken) {
  const std::string data = Request("", "", qp::kStop);
  size_t offset = 0;
  TQueryRequest request;
  ASSERT_EQ(NextRequest(data, offset, request), TRequestParse::Request);
  EXPECT_EQ(request.Kind, qp::kStop);
  EXPECT_EQ(request.Token, 42u);
}
