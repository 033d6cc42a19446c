#include "answer_frames.h"

#include <cstring>

#include "query_protocol.h"

namespace qp = query_protocol;

namespace {

// Paths go in frames of about this size, whole paths each, so that the
// client prints the first ones while the rest are on their way.
constexpr size_t kFrameBytes = 256 * 1024;
// A small payload goes in one write with its header: a one-line answer is
// one read for the client.
constexpr uint32_t kJoinedPayloadBytes = 4096;
// No frame of an answer comes near this; a header that claims more is
// damage, not a frame to wait for.
constexpr uint32_t kMaxFrameBytes = 64u << 20;
// What one page of FIFO takes with the frames' headers and a notice before
// them: a user past their pipe quota gets FIFOs of two pages instead of 64
// KB, and a client may shrink its own to one. An inline write that did not
// fit would hold the serving thread until the reader read, or for ever if
// the reader had gone (the program holds both ends). A FIFO holds whole
// pages, not bytes: a write that does not fit the rest of the last page
// starts a new one.
constexpr size_t kInlineAnswerBytes = 4096 - 256;

}  // namespace

bool WriteFrame(const TFrameSink& sink, uint8_t type, const char* payload, uint32_t length) {
  qp::TFrameHeader header = {};
  header.Type = type;
  header.Length = length;
  if (length > kJoinedPayloadBytes) {
    return sink(reinterpret_cast<const char*>(&header), sizeof header) && sink(payload, length);
  }
  char joined[sizeof header + kJoinedPayloadBytes];
  std::memcpy(joined, &header, sizeof header);
  if (length) std::memcpy(joined + sizeof header, payload, length);
  return sink(joined, sizeof header + length);
}

bool WriteAnswerFrames(const TFrameSink& sink, const std::string& paths, uint64_t count) {
  size_t start = 0;
  while (start < paths.size()) {
    size_t end = start + kFrameBytes;
    if (end >= paths.size()) {
      end = paths.size();
    } else {
      end = paths.find('\0', end) + 1;
    }
    if (!WriteFrame(sink, qp::kPaths, paths.data() + start, static_cast<uint32_t>(end - start))) return false;
    start = end;
  }
  const qp::TEndPayload end{count};
  return WriteFrame(sink, qp::kEnd, reinterpret_cast<const char*>(&end), sizeof end);
}

size_t InlineAnswerBytes(uint32_t flags) {
  return (flags & qp::kRoomyReply) ? qp::kRoomyAnswerBytes : kInlineAnswerBytes;
}

void TFrameReader::Feed(const char* data, size_t size) {
  pending_.erase(0, used_);
  used_ = 0;
  pending_.append(data, size);
}

bool TFrameReader::Next(TFrame& frame) {
  qp::TFrameHeader header;
  if (damaged_ || pending_.size() - used_ < sizeof header) return false;
  std::memcpy(&header, pending_.data() + used_, sizeof header);
  if (header.Length > kMaxFrameBytes) {
    damaged_ = true;
    return false;
  }
  if (pending_.size() - used_ - sizeof header < header.Length) return false;
  frame.Type = header.Type;
  frame.Payload = pending_.data() + used_ + sizeof header;
  frame.Length = header.Length;
  used_ += sizeof header + header.Length;
  return true;
}
