// velkoro-monitor started as the driver starts it: a private folder with the
// list of folders to watch, the two FIFOs, the first byte on the control
// FIFO, and its records read and decoded until it says it is ready.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

struct TMonitorRecord {
  uint8_t EventCode = 0;
  uint8_t SubCode = 0;
  int Root = 0;
  std::string Path;
  std::string NewPath;
  uint8_t Spellings = 0;
  uint8_t NewSpellings = 0;
};

class TMonitorSession {
 public:
  // Throws when the monitor does not come up within a bound.
  explicit TMonitorSession(const std::vector<std::string>& folders);
  ~TMonitorSession();
  TMonitorSession(const TMonitorSession&) = delete;
  TMonitorSession& operator=(const TMonitorSession&) = delete;

  // The next record, waiting at most TimeoutMs for it.
  bool Next(TMonitorRecord& record, int timeoutMs);
  // Lets go of the control FIFO, as the driver does; true when the monitor
  // then ended by itself within TimeoutMs and removed its private folder.
  bool Stop(int timeoutMs);
  // What the monitor wrote to its standard error.
  std::string Diagnostics() const;
  // The inotify watches the monitor holds, as the kernel lists them.
  int Watches() const;

 private:
  bool Decode(TMonitorRecord& record);

  std::string channel_;
  pid_t pid_ = -1;
  int records_ = -1;
  int control_ = -1;
  std::string pending_;
};
