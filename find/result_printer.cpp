#include "result_printer.h"

#include <cstdio>
#include <cstring>

#include "ansi_text.h"
#include "find_status.h"

TResultPrinter::TResultPrinter(const TFindOptions& options, TLazyDrives& drives, const TNameFilter& filter)
    : options_(options),
      drives_(drives),
      filter_(filter),
      recovery_(drives.Map()),
      separator_(options.Null ? '\0' : '\n'),
      streaming_(options.Dos) {
  static char outputBuffer[1 << 20];
  std::setvbuf(stdout, outputBuffer, _IOFBF, sizeof outputBuffer);
}

TQueryHandlers TResultPrinter::Handlers() {
  TQueryHandlers handlers;
  handlers.Notice = [](const std::string& text) { std::fprintf(stderr, "velkoro-find: %s\n", text.c_str()); };
  handlers.Paths = [this](const char* paths, size_t length) { Take(paths, length); };
  return handlers;
}

void TResultPrinter::Take(const char* paths, size_t length) {
  // Host paths need the drives; so does -e, which looks at them.
  const bool needsDrives = !options_.Dos || filter_.Existing();
  std::string problem;
  if (needsDrives && !drives_.Read(problem)) {
    drivesGone_ = true;
    return;
  }
  if (!streaming_ && held_.empty()) {
    held_.assign(paths, length);
    return;
  }
  if (!streaming_) {
    streaming_ = true;
    Print(held_.data(), held_.size());
    held_.clear();
  }
  Print(paths, length);
}

void TResultPrinter::Print(const char* paths, size_t length) {
  for (const char* path = paths; path < paths + length; path += std::strlen(path) + 1) {
    if (options_.Limit && printed_ >= options_.Limit) return;
    const bool needsHost = !options_.Dos || filter_.Existing();
    const std::string host = needsHost ? recovery_.HostPath(path, warning_) : std::string();
    if (!warning_.empty()) {
      std::fflush(stdout);
      std::fprintf(stderr, "velkoro-find: %s\n", warning_.c_str());
      warning_.clear();
    }
    const std::string dos = options_.Dos ? Utf8FromAnsi(path) : std::string();
    const std::string& out = options_.Dos ? dos : host;
    if (filter_.Active()) {
      const char* slash = std::strrchr(out.c_str(), options_.Dos ? '\\' : '/');
      if (!filter_.Keeps(slash ? slash + 1 : out.c_str(), host)) continue;
    }
    ++printed_;
    if (options_.CountOnly) continue;
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fputc(separator_, stdout);
  }
}

int TResultPrinter::Finish(const TQueryResult& result) {
  if (drivesGone_) return FindFailed("Velkoro is not running");
  if (!held_.empty()) {
    recovery_.Plan(held_);
    Print(held_.data(), held_.size());
  }
  std::fflush(stdout);
  switch (result.Outcome) {
    case TQueryOutcome::NotRunning:
      return FindFailed(result.Problem.empty() ? "Velkoro is not running" : "Velkoro ended: " + result.Problem);
    case TQueryOutcome::Silent:
      return FindFailed("Velkoro did not answer");
    case TQueryOutcome::Failed:
      return FindFailed(result.Problem);
    case TQueryOutcome::Answered:
      break;
  }
  // The program counts its answer unless the command filters it.
  const uint64_t count = filter_.Active() ? printed_ : result.Count;
  if (options_.CountOnly) std::printf("%llu\n", static_cast<unsigned long long>(count));
  std::fflush(stdout);
  return count > 0 ? kFindFound : kFindNothing;
}
