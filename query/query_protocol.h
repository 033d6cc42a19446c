// The query channel between velkoro-find (a Linux program) and the running
// Velkoro (a Win32 program under Wine), shared by both sides.
//
// Where: a private folder inside the Wine prefix, <prefix>/.velkoro-find,
// mode 0700 and owned by the user (the prefix is the user's: Wine refuses
// any other), so that the command finds it from the prefix alone. The
// leading "." keeps it out of the scan and the monitor even where a drive
// holds the prefix. In it:
//   requests      the program's request FIFO, read by its query thread
//   drives        the fixed drives, one "L<TAB>host folder" line each (UTF-8)
//   reply-PID-N   a client's own reply FIFO, made and removed by the client
//   ready         made last by velkoro-find-channel, for the program
//                 starting up: the channel is in place
//
// A request is one write of at most kMaxRequest bytes (PIPE_BUF on Linux),
// so that requests of many shells never interleave: a TRequestHeader, the
// reply FIFO's name, then the pattern (ANSI code page 1252, as the search
// window takes it). The answer is a run of frames on the reply FIFO, each
// a TFrameHeader and its payload, ending with kEnd or kError. Every request
// the program reads whose reply FIFO it can open is answered, and a client
// gives up on a program that has sent nothing for kSilenceLimitMs.
//
// Every field is little-endian (both sides run on x86), packed, fixed width:
// the same bytes from a 32-bit and a 64-bit program.
#pragma once

#include <cstdint>

namespace query_protocol {

constexpr char kFolderName[] = ".velkoro-find";
constexpr char kRequestFifo[] = "requests";
constexpr char kDrivesFile[] = "drives";
constexpr char kReplyPrefix[] = "reply-";
constexpr char kReadyFile[] = "ready";

constexpr uint32_t kRequestMagic = 0x3146'4B56;  // "VKF1"
constexpr uint32_t kMaxRequest = 4096;
constexpr uint32_t kMaxReplyName = 64;
constexpr uint32_t kMaxPattern = 259;  // MAX_PATH less its terminator

enum TRequestKind : uint16_t {
  kQuery = 1,
  // The program's own wake-up for its query thread at its end; honoured
  // only with the token the program chose at start.
  kStop = 2,
  // Bring up the search window as the notification-area icon does; with a
  // pattern, search for it there. Answered with kEnd (Count 1) once the
  // window is up, kError otherwise.
  kShowWindow = 3,
};

enum TQueryFlags : uint32_t {
  kCountOnly = 1,  // the count without the paths
  // The client has grown its reply FIFO to kRoomyReplyBytes, so that an
  // answer of up to kRoomyAnswerBytes goes in at once, without a wait.
  kRoomyReply = 2,
};

// How long a client waits for the next byte of its answer; the program
// sends kAlive well within it while a scan holds the answer up.
constexpr int kSilenceLimitMs = 10000;
constexpr int kAliveEveryMs = 3000;

// Linux's default ceiling for an unprivileged pipe (/proc/sys/fs/pipe-max-size).
constexpr uint32_t kRoomyReplyBytes = 1 << 20;
// What such a FIFO takes in one go, with room for the frames' headers and
// a notice before them: a FIFO holds whole pages, and each frame's header
// may leave the rest of a page unused.
constexpr uint32_t kRoomyAnswerBytes = kRoomyReplyBytes - 64 * 1024;

#pragma pack(push, 1)
struct TRequestHeader {
  uint32_t Magic;
  uint16_t Kind;
  uint16_t ReplyLength;    // bytes of the reply FIFO's name, after the header
  uint32_t Length;         // of the whole request, header included
  uint32_t Flags;          // TQueryFlags
  uint32_t Limit;          // at most this many paths; 0 for all
  uint32_t PatternLength;  // bytes of the pattern, after the name
  uint64_t Token;          // kStop only
};

enum TFrameType : uint8_t {
  kNotice = 'N',  // text for the user's standard error; the answer follows
  kPaths = 'P',   // drive paths, each ended by a NUL
  kEnd = 'E',     // TEndPayload: the answer is complete
  kError = 'X',   // text: the request failed, nothing follows
  // No payload: the program is still at the answer (a scan holds it up),
  // so that the client's wait for a silent program starts again.
  kAlive = 'A',
};

struct TFrameHeader {
  uint8_t Type;  // TFrameType
  uint8_t Reserved[3];
  uint32_t Length;  // of the payload
};

struct TEndPayload {
  uint64_t Count;  // paths in the answer (with kCountOnly, that would be)
};
#pragma pack(pop)

static_assert(sizeof(TRequestHeader) == 32, "the request header is 32 bytes in every build");
static_assert(sizeof(TFrameHeader) == 8, "the frame header is 8 bytes in every build");
static_assert(sizeof(TEndPayload) == 8, "the end payload is 8 bytes in every build");

// A reply FIFO's name: "reply-" and then letters, digits, '-' and '.', so
// that the program never writes outside the folder.
inline bool IsReplyName(const char* name, uint32_t length) {
  const uint32_t prefix = sizeof kReplyPrefix - 1;
  if (length <= prefix || length > kMaxReplyName) return false;
  for (uint32_t i = 0; i < prefix; ++i) {
    if (name[i] != kReplyPrefix[i]) return false;
  }
  for (uint32_t i = prefix; i < length; ++i) {
    const char c = name[i];
    const bool allowed = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') ||
                         (c >= 'A' && c <= 'Z') || c == '-' || c == '.';
    if (!allowed) return false;
  }
  return true;
}

}  // namespace query_protocol
