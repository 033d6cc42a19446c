// The program's side of the request format, natively: requests whole,
// split, several in one read, and damaged ones, after which the next
// request is still found however the reads cut the bytes.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "query_protocol.h"
#include "query_request.h"

namespace qp = query_protocol;

namespace {

std::string Request(const std::string& reply, const std::string& pattern, uint16_t kind = qp::kQuery,
                    int lengthError = 0) {
  std::string bytes = EncodeRequest(kind, reply, pattern, qp::kCountOnly, 7, 42);
  const uint32_t length = static_cast<uint32_t>(bytes.size() + lengthError);
  std::memcpy(&bytes[offsetof(qp::TRequestHeader, Length)], &length, sizeof length);
  return bytes;
}

// The serving thread's loop: the bytes arrive in two reads cut at Cut, the
// unused rest kept for the next. The patterns of the requests taken out.
std::vector<std::string> Served(const std::string& data, size_t cut) {
  std::vector<std::string> patterns;
  std::string pending;
  for (const std::string& read : {data.substr(0, cut), data.substr(cut)}) {
    pending += read;
    size_t offset = 0;
    TQueryRequest request;
    TRequestParse parse;
    while ((parse = NextRequest(pending, offset, request)) != TRequestParse::NeedMore) {
      if (parse == TRequestParse::Request) patterns.push_back(request.Pattern);
    }
    pending.erase(0, offset);
  }
  return patterns;
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
      {"a magic's first bytes after garbage", "garbage!" + Request("reply-1-1", "*.TXT").substr(0, 3), false},
      {"a Length above its parts", Request("reply-1-1", "*.TXT", qp::kQuery, 3), true},
      {"a Length below its parts", Request("reply-1-1", "*.TXT", qp::kQuery, -3), true},
      {"longer than PIPE_BUF", Request("reply-1-1", std::string(5000, 'A')), true},
      {"unknown kind", Request("reply-1-1", "*.TXT", 9), true},
      {"empty pattern", Request("reply-1-1", ""), true},
      {"pattern too long", Request("reply-1-1", std::string(300, 'A')), true},
      {"NUL in the pattern", Request("reply-1-1", std::string("A\0B", 3)), true},
      {"reply FIFO outside the folder", Request("../../etc/x", "*.TXT"), false},
      {"a folder after the reply prefix", Request("reply-1/../../x", "*.TXT"), false},
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
    // Whatever the damage, and wherever the reads cut it, the next
    // request is found whole, once.
    for (size_t cut = 1; cut < data.size(); ++cut) {
      ASSERT_EQ(Served(data, cut), std::vector<std::string>{"GOOD"}) << c.Name << ", cut at " << cut;
    }
  }
}

TEST(QueryRequest, StopCarriesItsTokenAndTheWindowNeedsNoPattern) {
  const std::string data = Request("", "", qp::kStop) + Request("reply-4-4", "", qp::kShowWindow);
  size_t offset = 0;
  TQueryRequest request;
  ASSERT_EQ(NextRequest(data, offset, request), TRequestParse::Request);
  EXPECT_EQ(request.Kind, qp::kStop);
  EXPECT_EQ(request.Token, 42u);
  ASSERT_EQ(NextRequest(data, offset, request), TRequestParse::Request);
  EXPECT_EQ(request.Kind, qp::kShowWindow);
  EXPECT_EQ(request.ReplyName, "reply-4-4");
}
