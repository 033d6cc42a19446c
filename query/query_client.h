// One query on the channel of a running Velkoro: the client's own reply
// FIFO, one request in one atomic write, then the answer's frames as they
// come. A program that is not there, or that ends before the answer is
// whole, is reported at once, never waited for.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

struct TQueryHandlers {
  std::function<void(const std::string& text)> Notice;
  // Drive paths, each ended by a NUL, in whole paths.
  std::function<void(const char* paths, size_t length)> Paths;
};

enum class TQueryOutcome {
  Answered,    // Count holds the number of paths
  NotRunning,  // no program serves the channel
  Failed,      // Problem says why
};

struct TQueryResult {
  TQueryOutcome Outcome = TQueryOutcome::Failed;
  uint64_t Count = 0;
  std::string Problem;
};

TQueryResult RunQuery(const std::string& channelFolder, const std::string& pattern, uint32_t flags,
                      uint32_t limit, const TQueryHandlers& handlers);
