#include "query_request.h"

#include <cstring>

#include "query_protocol.h"

namespace qp = query_protocol;

namespace {

constexpr size_t kMagicSize = sizeof qp::kRequestMagic;

bool MagicAt(const std::string& data, size_t offset) {
  uint32_t magic = 0;
  std::memcpy(&magic, data.data() + offset, kMagicSize);
  return magic == qp::kRequestMagic;
}

// Where the next request may begin, after damaged bytes at Offset: the
// next magic, or the last bytes that may still be the start of one.
size_t NextStart(const std::string& data, size_t offset) {
  for (size_t at = offset + 1; at + kMagicSize <= data.size(); ++at) {
    if (MagicAt(data, at)) return at;
  }
  return data.size() > offset + kMagicSize ? data.size() - (kMagicSize - 1) : offset + 1;
}

TRequestParse Refuse(TQueryRequest& request, const char* problem) {
  request.Problem = problem;
  return TRequestParse::Malformed;
}

}  // namespace

std::string EncodeRequest(uint16_t kind, const std::string& replyName, const std::string& pattern,
                          uint32_t flags, uint32_t limit, uint64_t token) {
  qp::TRequestHeader header = {};
  header.Magic = qp::kRequestMagic;
  header.Kind = kind;
  header.ReplyLength = static_cast<uint16_t>(replyName.size());
  header.PatternLength = static_cast<uint32_t>(pattern.size());
  header.Length = static_cast<uint32_t>(sizeof header + replyName.size() + pattern.size());
  header.Flags = flags;
  header.Limit = limit;
  header.Token = token;
  std::string bytes(reinterpret_cast<const char*>(&header), sizeof header);
  return bytes + replyName + pattern;
}

TRequestParse NextRequest(const std::string& data, size_t& offset, TQueryRequest& request) {
  request = TQueryRequest();
  if (data.size() - offset < kMagicSize) return TRequestParse::NeedMore;
  if (!MagicAt(data, offset)) {
    offset = NextStart(data, offset);
    return Refuse(request, "not a request");
  }
  qp::TRequestHeader header;
  if (data.size() - offset < sizeof header) return TRequestParse::NeedMore;
  std::memcpy(&header, data.data() + offset, sizeof header);

  // The reply FIFO is named first, so that even a request refused for its
  // size or shape can be answered, if its name arrived whole.
  const char* name = data.data() + offset + sizeof header;
  const size_t available = data.size() - offset - sizeof header;
  if (header.ReplyLength <= available && qp::IsReplyName(name, header.ReplyLength)) {
    request.ReplyName.assign(name, header.ReplyLength);
  }
  const uint64_t parts = uint64_t{sizeof header} + header.ReplyLength + header.PatternLength;
  if (header.Length > qp::kMaxRequest || parts > qp::kMaxRequest) {
    offset = NextStart(data, offset);
    return Refuse(request, "the request is longer than 4096 bytes");
  }
  if (header.Length != parts) {
    offset = NextStart(data, offset);
    return Refuse(request, "the request's lengths do not add up");
  }
  if (data.size() - offset < header.Length) return TRequestParse::NeedMore;
  offset += header.Length;

  request.Kind = header.Kind;
  request.Flags = header.Flags;
  request.Limit = header.Limit;
  request.Token = header.Token;
  request.Pattern.assign(name + header.ReplyLength, header.PatternLength);
  if (header.Kind == qp::kStop) return TRequestParse::Request;
  if (header.Kind != qp::kQuery && header.Kind != qp::kShowWindow) return Refuse(request, "unknown kind of request");
  if (request.ReplyName.empty()) return Refuse(request, "no reply FIFO named");
  // The window comes up without a pattern, with the last one in its box.
  if (request.Pattern.empty() && header.Kind == qp::kQuery) return Refuse(request, "empty pattern");
  if (request.Pattern.size() > qp::kMaxPattern) return Refuse(request, "the pattern is longer than 259 characters");
  if (request.Pattern.find('\0') != std::string::npos) return Refuse(request, "a NUL in the pattern");
  return TRequestParse::Request;
}
