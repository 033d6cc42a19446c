// What vkhook.dll and its native helper velkoro-hotkey say to each other:
// one line of text a message, through two FIFOs in the private folder the
// library makes for the helper. Each line is far below PIPE_BUF, so it
// arrives whole.
//
// library -> helper ("control"): one byte 'C' once the library holds both
// FIFOs, then
//   key VK BITS              grab the key VK with the modifier bits (1 Alt,
//                            2 Shift, 4 Ctrl) in place of the one before
//   raise WINDOW BACK        give the X focus to the window WINDOW now, and
//                            to BACK once WINDOW is unmapped
//   replay | take            the answer to each press: give the key to the
//                            window with the X focus after all (a Wine
//                            window, whose Wine then sees its hot key), or
//                            keep it (a native program's)
// helper -> library ("events"):
//   key grabbed|refused|none the answer to each key line, in order
//   press VK FOCUS           the grabbed key VK was pressed while FOCUS had
//                            the X focus (0 when no window had it); the
//                            keyboard waits for the answer, a bounded time
// The library closing its end of "control" ends the helper.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace grab_protocol {

constexpr char kControlFifo[] = "control";
constexpr char kEventsFifo[] = "events";
constexpr char kConnected = 'C';

enum class TKind { Unknown, Key, Raise, Replay, Take, KeyGrabbed, KeyRefused, KeyNone, Press };

struct TMessage {
  TKind Kind = TKind::Unknown;
  uint64_t First = 0;   // VK, or the window
  uint64_t Second = 0;  // BITS, BACK or FOCUS
};

inline std::string Line(const char* format, uint64_t first, uint64_t second) {
  char line[96];
  std::snprintf(line, sizeof line, format, static_cast<unsigned long long>(first),
                static_cast<unsigned long long>(second));
  return line;
}

inline std::string KeyCommand(uint16_t virtualKey, uint32_t shiftBits) {
  return Line("key %llu %llu\n", virtualKey, shiftBits);
}
inline std::string RaiseCommand(uint64_t window, uint64_t back) { return Line("raise %llu %llu\n", window, back); }
inline std::string PressEvent(uint16_t virtualKey, uint64_t focus) {
  return Line("press %llu %llu\n", virtualKey, focus);
}
constexpr char kReplayCommand[] = "replay\n";
constexpr char kTakeCommand[] = "take\n";
inline std::string KeyAnswer(TKind kind) {
  return kind == TKind::KeyGrabbed ? "key grabbed\n" : kind == TKind::KeyRefused ? "key refused\n" : "key none\n";
}

// One line, without its '\n'. Anything else is Unknown.
inline TMessage Parse(const std::string& line) {
  TMessage message;
  unsigned long long first = 0, second = 0;
  char tail = 0;
  if (std::sscanf(line.c_str(), "key %llu %llu%c", &first, &second, &tail) == 2) message.Kind = TKind::Key;
  else if (std::sscanf(line.c_str(), "raise %llu %llu%c", &first, &second, &tail) == 2) message.Kind = TKind::Raise;
  else if (std::sscanf(line.c_str(), "press %llu %llu%c", &first, &second, &tail) == 2) message.Kind = TKind::Press;
  else if (line == "replay") message.Kind = TKind::Replay;
  else if (line == "take") message.Kind = TKind::Take;
  else if (line == "key grabbed") message.Kind = TKind::KeyGrabbed;
  else if (line == "key refused") message.Kind = TKind::KeyRefused;
  else if (line == "key none") message.Kind = TKind::KeyNone;
  message.First = first;
  message.Second = second;
  return message;
}

}  // namespace grab_protocol
