// The command's output: the answer's drive paths as host paths in their
// real case (or as drive paths with --dos), filtered where the options ask,
// each ended by a newline or a NUL; then the count and the exit status.
#pragma once

#include <cstdint>
#include <string>

#include "case_recovery.h"
#include "drive_map.h"
#include "find_options.h"
#include "name_filter.h"
#include "query_client.h"

class TResultPrinter {
 public:
  TResultPrinter(const TFindOptions& options, TLazyDrives& drives, const TNameFilter& filter);
  TQueryHandlers Handlers();
  // Prints what is left and the count; the command's exit status.
  int Finish(const TQueryResult& result);

 private:
  void Take(const char* paths, size_t length);
  void Print(const char* paths, size_t length);

  const TFindOptions& options_;
  TLazyDrives& drives_;
  const TNameFilter& filter_;
  TCaseRecovery recovery_;
  const char separator_;
  std::string warning_;
  // Host paths of an answer that comes in one piece wait for its end, so
  // that the case recovery can plan by the whole answer; a longer answer is
  // printed as it comes, its first lines going out while the rest is on
  // its way, and its folders listed, each listing then serving many
  // results. Drive paths are printed as they come.
  std::string held_;
  bool streaming_;
  // The program ended after its answer, taking its drives file: nothing is
  // printed rather than drive paths in place of host paths.
  bool drivesGone_ = false;
  // Printed by the command's own count, where it filters.
  uint64_t printed_ = 0;
};
