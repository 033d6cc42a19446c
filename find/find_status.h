// velkoro-find's exit status, as plocate's.
#pragma once

#include <cstdio>
#include <string>

constexpr int kFindFound = 0;
constexpr int kFindNothing = 1;
constexpr int kFindFailed = 2;

// One line on standard error; the status of a failure.
inline int FindFailed(const std::string& message) {
  std::fprintf(stderr, "velkoro-find: %s\n", message.c_str());
  return kFindFailed;
}
