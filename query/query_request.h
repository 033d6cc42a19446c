// Requests on the query channel, taken apart as they arrive. No windows.h:
// the bytes are the same for every build.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct TQueryRequest {
  uint16_t Kind = 0;
  std::string ReplyName;  // empty when the request named no usable one
  std::string Pattern;
  uint32_t Flags = 0;
  uint32_t Limit = 0;
  uint64_t Token = 0;
  std::string Problem;  // why a malformed request is refused
};

enum class TRequestParse {
  NeedMore,   // the rest of the request has not arrived yet
  Request,    // a whole request, taken out
  Malformed,  // damaged bytes skipped; Problem says what, ReplyName where to say it
};

// A request's bytes: the one encoder, used by velkoro-find, by the
// program for its own stop request, and by the tests.
std::string EncodeRequest(uint16_t kind, const std::string& replyName, const std::string& pattern,
                          uint32_t flags = 0, uint32_t limit = 0, uint64_t token = 0);

// Takes the next request out of Data from Offset on and moves Offset past
// what it used. After damaged bytes it moves on to the next request's
// start, so that one bad client never stops the channel.
TRequestParse NextRequest(const std::string& data, size_t& offset, TQueryRequest& request);
