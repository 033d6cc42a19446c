// One exchange on the channel of a running Velkoro: the client's own reply
// FIFO, one request in one atomic write, then the answer's frames as they
// come. A program that is not there, or that ends before the answer is
// whole, is reported at once; one that is there and silent (stopped, hung,
// or one that dropped the request) is given up after a bound.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "query_protocol.h"

struct TQuery {
  uint16_t Kind = query_protocol::kQuery;
  std::string Pattern;  // code page 1252
  uint32_t Flags = 0;   // TQueryFlags
  uint32_t Limit = 0;
  // How long the answer may go without a byte; a test makes it short.
  int SilenceLimitMs = query_protocol::kSilenceLimitMs;
};

struct TQueryHandlers {
  std::function<void(const std::string& text)> Notice;
  // Drive paths, each ended by a NUL, in whole paths.
  std::function<void(const char* paths, size_t length)> Paths;
};

enum class TQueryOutcome {
  Answered,    // Count holds the number of paths
  NotRunning,  // no program serves the channel
  Silent,      // the program is there but sent nothing for SilenceLimitMs
  Failed,      // Problem says why
};

struct TQueryResult {
  TQueryOutcome Outcome = TQueryOutcome::Failed;
  uint64_t Count = 0;
  std::string Problem;
};

TQueryResult RunQuery(const std::string& channelFolder, const TQuery& query, const TQueryHandlers& handlers);
