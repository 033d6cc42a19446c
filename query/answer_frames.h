// The answer's frames, written by the program and read by velkoro-find: one
// writer and one reader, so that both sides frame alike. No windows.h, no
// POSIX: the program writes through WriteFile, the command reads a FIFO,
// and the tests use a pipe.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// Writes all of Size bytes, or answers false when the reader has gone.
using TFrameSink = std::function<bool(const char* data, size_t size)>;

// One frame whole; false when the reader has gone.
bool WriteFrame(const TFrameSink& sink, uint8_t type, const char* payload, uint32_t length);

// An answer: its paths (each ended by a NUL) in frames of whole paths, then
// its end with Count. False when the reader went before the end.
bool WriteAnswerFrames(const TFrameSink& sink, const std::string& paths, uint64_t count);

// The most path bytes the serving thread writes at once, without a writer
// thread of the answer's own, for a request with Flags: what fits the
// least a reply FIFO holds, with the frames' headers.
size_t InlineAnswerBytes(uint32_t flags);

struct TFrame {
  uint8_t Type = 0;
  const char* Payload = nullptr;  // valid until the next Feed
  uint32_t Length = 0;
};

// Frames taken out of bytes as they arrive, however the reads cut them.
class TFrameReader {
 public:
  void Feed(const char* data, size_t size);
  // The next whole frame, if it has come.
  bool Next(TFrame& frame);
  // A frame whose header claims more than any answer sends: the bytes are
  // not an answer of this channel.
  bool Damaged() const { return damaged_; }

 private:
  std::string pending_;
  size_t used_ = 0;
  bool damaged_ = false;
};
