// velkoro-find: asks the running Velkoro's index from a Linux shell.
#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "ansi_text.h"
#include "case_recovery.h"
#include "channel_folder.h"
#include "drive_map.h"
#include "find_options.h"
#include "query_client.h"
#include "query_protocol.h"

namespace {

constexpr int kFound = 0;
constexpr int kNothingFound = 1;
constexpr int kFailed = 2;

int Fail(const std::string& message) {
  std::fprintf(stderr, "velkoro-find: %s\n", message.c_str());
  return kFailed;
}

std::string Home() {
  const char* home = std::getenv("HOME");
  return home ? home : "";
}

std::string PrefixOf(const TFindOptions& options) {
  if (!options.Prefix.empty()) return options.Prefix;
  const char* prefix = std::getenv("WINEPREFIX");
  if (prefix && *prefix) return prefix;
  return Home() + "/.velkoro96";
}

// A pattern whose folder is a host path ("~/src/*.c", "/home/me/*.txt",
// "docs/*.txt") rather than a drive path.
bool HasHostFolder(const std::string& pattern) {
  return pattern.find('/') != std::string::npos || pattern == "~";
}

// The request's pattern: the name in code page 1252 after the folder's
// drive path. Empty with Problem set when the folder lies on no fixed drive.
std::string DrivePattern(const std::string& pattern, const TDriveMap& drives, std::string& problem) {
  if (!HasHostFolder(pattern)) return AnsiFromUtf8(pattern);
  const size_t slash = pattern.rfind('/');
  std::string folder = slash == 0 ? "/" : pattern.substr(0, slash);
  const std::string name = pattern.substr(slash + 1);
  if (folder == "~" || folder.compare(0, 2, "~/") == 0) folder = Home() + folder.substr(1);
  char resolved[PATH_MAX];
  if (!realpath(folder.c_str(), resolved)) {
    problem = folder + ": " + std::strerror(errno);
    return std::string();
  }
  const std::string drivePath = drives.DrivePathOf(resolved);
  if (drivePath.empty()) {
    problem = std::string(resolved) + " lies on no fixed drive of the prefix";
    return std::string();
  }
  return drivePath + AnsiFromUtf8(name);
}

}  // namespace

int main(int argc, char** argv) {
  TFindOptions options;
  std::string problem;
  bool help = false;
  if (!ParseFindOptions(argc, argv, options, problem, help)) {
    std::fprintf(stderr, "velkoro-find: %s\n%s", problem.c_str(), kFindUsage);
    return kFailed;
  }
  if (help) {
    std::fputs(kFindUsage, stdout);
    return kFound;
  }

  const std::string folder = ChannelFolder(PrefixOf(options));
  // The program makes its folder at its first start; one that has never
  // run, like one that has ended, is not running.
  struct stat folderInfo;
  if (lstat(folder.c_str(), &folderInfo) != 0 && errno == ENOENT) return Fail("Velkoro is not running");
  const std::string folderProblem = ChannelFolderProblem(folder);
  if (!folderProblem.empty()) return Fail(folderProblem);
  // The drives are read for a host folder in the pattern, and for host
  // paths only once the first result has come: an empty answer, the
  // quickest kind, goes without.
  TDriveMap drives;
  bool drivesRead = false;
  const auto readDrives = [&] { return drivesRead || (drivesRead = drives.Load(folder, problem)); };
  if (HasHostFolder(options.Pattern) && !readDrives()) return Fail("Velkoro is not running");
  const std::string pattern = DrivePattern(options.Pattern, drives, problem);
  if (pattern.empty()) return Fail(problem);

  static char outputBuffer[1 << 20];
  std::setvbuf(stdout, outputBuffer, _IOFBF, sizeof outputBuffer);
  const char separator = options.Null ? '\0' : '\n';
  TCaseRecovery recovery(drives);
  std::string warning;
  TQueryHandlers handlers;
  handlers.Notice = [](const std::string& text) { std::fprintf(stderr, "velkoro-find: %s\n", text.c_str()); };
  const auto print = [&](const char* paths, size_t length) {
    for (const char* path = paths; path < paths + length; path += std::strlen(path) + 1) {
      const std::string out = options.Dos ? Utf8FromAnsi(path) : recovery.HostPath(path, warning);
      if (!warning.empty()) {
        std::fflush(stdout);
        std::fprintf(stderr, "velkoro-find: %s\n", warning.c_str());
      }
      std::fwrite(out.data(), 1, out.size(), stdout);
      std::fputc(separator, stdout);
    }
  };
  // Drive paths are printed as they come. Host paths of an answer that
  // comes in one piece wait for its end, so that the case recovery can plan
  // by the whole answer; a longer answer is printed as it comes, its first
  // lines going out while the rest is on its way, and its folders listed,
  // each listing then serving many results.
  std::string held;
  bool streaming = options.Dos;
  // The program ended after its answer, taking its drives file: nothing is
  // printed rather than drive paths in place of host paths.
  bool drivesGone = false;
  handlers.Paths = [&](const char* paths, size_t length) {
    if (!options.Dos && !readDrives()) {
      drivesGone = true;
      return;
    }
    if (!streaming && held.empty()) {
      held.assign(paths, length);
      return;
    }
    if (!streaming) {
      streaming = true;
      print(held.data(), held.size());
      held.clear();
    }
    print(paths, length);
  };
  TQuery query;
  query.Pattern = pattern;
  query.Flags = options.CountOnly ? uint32_t{query_protocol::kCountOnly} : 0u;
  query.Limit = options.Limit;
  const TQueryResult result = RunQuery(folder, query, handlers);
  if (drivesGone) return Fail("Velkoro is not running");
  if (!held.empty()) {
    recovery.Plan(held);
    print(held.data(), held.size());
  }
  switch (result.Outcome) {
    case TQueryOutcome::NotRunning:
      std::fflush(stdout);
      return Fail(result.Problem.empty() ? "Velkoro is not running" : "Velkoro ended: " + result.Problem);
    case TQueryOutcome::Silent:
      std::fflush(stdout);
      return Fail("Velkoro did not answer");
    case TQueryOutcome::Failed:
      std::fflush(stdout);
      return Fail(result.Problem);
    case TQueryOutcome::Answered:
      break;
  }
  if (options.CountOnly) std::printf("%llu\n", static_cast<unsigned long long>(result.Count));
  std::fflush(stdout);
  return result.Count > 0 ? kFound : kNothingFound;
}
