// velkoro-find: asks the running Velkoro's index from a Linux shell. The
// options, one query on the channel, and a printer of its answer.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "channel_folder.h"
#include "drive_map.h"
#include "find_options.h"
#include "find_status.h"
#include "name_filter.h"
#include "query_client.h"
#include "query_protocol.h"
#include "result_printer.h"
#include "search_pattern.h"

namespace {

std::string PrefixOf(const TFindOptions& options) {
  if (!options.Prefix.empty()) return options.Prefix;
  const char* prefix = std::getenv("WINEPREFIX");
  if (prefix && *prefix) return prefix;
  const char* home = std::getenv("HOME");
  return std::string(home ? home : "") + "/.velkoro96";
}

// The channel's folder, or empty with the command's status in Status.
std::string Channel(const TFindOptions& options, int& status) {
  const std::string folder = ChannelFolder(PrefixOf(options));
  // The program makes its folder at its first start; one that has never
  // run, like one that has ended, is not running.
  struct stat info;
  if (lstat(folder.c_str(), &info) != 0 && errno == ENOENT) status = FindFailed("Velkoro is not running");
  const std::string problem = status ? std::string() : ChannelFolderProblem(folder);
  if (!problem.empty()) status = FindFailed(problem);
  return status ? std::string() : folder;
}

int ShowWindow(const std::string& folder, const TQuery& query) {
  const TQueryResult result = RunQuery(folder, query, TQueryHandlers());
  switch (result.Outcome) {
    case TQueryOutcome::Answered: return kFindFound;
    case TQueryOutcome::NotRunning: return FindFailed("Velkoro is not running");
    case TQueryOutcome::Silent: return FindFailed("Velkoro did not answer");
    case TQueryOutcome::Failed: break;
  }
  return FindFailed(result.Problem);
}

}  // namespace

int main(int argc, char** argv) {
  TFindOptions options;
  std::string problem;
  bool help = false;
  if (!ParseFindOptions(argc, argv, options, problem, help)) {
    std::fprintf(stderr, "velkoro-find: %s\n%s", problem.c_str(), kFindUsage);
    return kFindFailed;
  }
  if (help) {
    std::fputs(kFindUsage, stdout);
    return kFindFound;
  }
  TNameFilter filter;
  if (options.Regex && !filter.MatchName(options.Pattern, problem)) return FindFailed(problem);
  if (options.Existing) filter.KeepExisting();

  int status = 0;
  const std::string folder = Channel(options, status);
  if (status) return status;
  TLazyDrives drives(folder);
  TQuery query;
  if (!options.Pattern.empty() && !RequestPattern(options, drives, query.Pattern, problem)) return FindFailed(problem);
  if (options.Window) {
    query.Kind = query_protocol::kShowWindow;
    return ShowWindow(folder, query);
  }
  // What the command filters itself, the program neither counts nor limits.
  query.Flags = options.CountOnly && !filter.Active() ? uint32_t{query_protocol::kCountOnly} : 0u;
  query.Limit = filter.Active() ? 0 : options.Limit;
  TResultPrinter printer(options, drives, filter);
  return printer.Finish(RunQuery(folder, query, printer.Handlers()));
}
