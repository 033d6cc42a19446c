// Collects the monitor's records and writes them to the channel in large
// pieces. A write blocks while the driver is behind; the kernel then keeps
// queueing changes (and reports an overflow when its queue is full).
#pragma once

#include <string>

#include "monitor_protocol.h"

class TRecordWriter {
 public:
  // Fd is non-blocking; while it is full the writer waits for room, unless
  // the reader hangs up Control (its writer closed) in the meantime.
  TRecordWriter(int fd, int control) : fd_(fd), control_(control) {}

  void Add(uint8_t eventCode, uint8_t subCode, int root, const std::string& path, const std::string& newPath,
           uint8_t spellings, uint8_t newSpellings);
  // False when the reader has gone.
  bool Flush();
  size_t Pending() const { return buffer_.size(); }

 private:
  int fd_;
  int control_;
  std::string buffer_;
};
