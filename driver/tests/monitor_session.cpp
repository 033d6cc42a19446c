#include "monitor_session.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>

#include "monitor_protocol.h"

namespace mp = monitor_protocol;

namespace {

bool Exists(const std::string& path) {
  struct stat entry;
  return lstat(path.c_str(), &entry) == 0;
}

template <typename Condition>
bool WaitUntil(int timeoutMs, Condition condition) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

}  // namespace

TMonitorSession::TMonitorSession(const std::vector<std::string>& folders) {
  char channel[] = "/tmp/.velkoro-monitor-test-XXXXXX";
  if (!mkdtemp(channel)) throw std::runtime_error("no private folder");
  channel_ = channel;
  {
    std::ofstream roots(channel_ + "/" + mp::kRootsFile, std::ios::binary);
    for (const std::string& folder : folders) roots << folder << '\0';
  }
  pid_ = fork();
  if (pid_ == 0) {
    const std::string log = channel_ + ".log";
    const int err = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (err >= 0) dup2(err, 2);
    execl(VELKORO_MONITOR_PROGRAM, VELKORO_MONITOR_PROGRAM, channel_.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  const std::string recordsPath = channel_ + "/" + mp::kRecordsFifo;
  const std::string controlPath = channel_ + "/" + mp::kControlFifo;
  if (!WaitUntil(10000, [&] { return Exists(recordsPath) && Exists(controlPath); })) {
    throw std::runtime_error("the monitor made no FIFOs: " + Diagnostics());
  }
  records_ = open(recordsPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  control_ = open(controlPath.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  if (records_ < 0 || control_ < 0 || write(control_, "C", 1) != 1) {
    throw std::runtime_error("cannot open the monitor's FIFOs");
  }
  TMonitorRecord first;
  if (!Next(first, 20000) || first.EventCode != mp::kReady) {
    throw std::runtime_error("the monitor did not say it was ready: " + Diagnostics());
  }
}

TMonitorSession::~TMonitorSession() {
  Stop(5000);
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  unlink((channel_ + ".log").c_str());
}

bool TMonitorSession::Decode(TMonitorRecord& record) {
  mp::TRecordHeader header;
  if (pending_.size() < sizeof header) return false;
  std::memcpy(&header, pending_.data(), sizeof header);
  const size_t total = sizeof header + header.PathLength + header.NewPathLength;
  if (pending_.size() < total) return false;
  record.EventCode = header.EventCode;
  record.SubCode = header.SubCode;
  record.Root = header.Root;
  record.Spellings = header.Spellings;
  record.NewSpellings = header.NewSpellings;
  record.Path = pending_.substr(sizeof header, header.PathLength);
  record.NewPath = pending_.substr(sizeof header + header.PathLength, header.NewPathLength);
  pending_.erase(0, total);
  return true;
}

bool TMonitorSession::Next(TMonitorRecord& record, int timeoutMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  char buffer[65536];
  while (!Decode(record)) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd wait = {records_, POLLIN, 0};
    if (poll(&wait, 1, static_cast<int>(left.count())) <= 0) continue;
    const ssize_t got = read(records_, buffer, sizeof buffer);
    if (got > 0) pending_.append(buffer, static_cast<size_t>(got));
    if (got == 0) return false;  // the monitor has ended
  }
  return true;
}

bool TMonitorSession::Stop(int timeoutMs) {
  if (pid_ <= 0) return true;
  if (control_ >= 0) close(control_);
  control_ = -1;
  int status = 0;
  const bool ended = WaitUntil(timeoutMs, [&] { return waitpid(pid_, &status, WNOHANG) == pid_; });
  if (ended) pid_ = -1;
  if (records_ >= 0) close(records_);
  records_ = -1;
  return ended && WIFEXITED(status) && WEXITSTATUS(status) == 0 && !Exists(channel_);
}

std::string TMonitorSession::Diagnostics() const {
  std::ifstream log(channel_ + ".log");
  return std::string((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
}

int TMonitorSession::Watches() const {
  int watches = 0;
  std::error_code error;
  const std::string fdinfo = "/proc/" + std::to_string(pid_) + "/fdinfo";
  for (const auto& fd : std::filesystem::directory_iterator(fdinfo, error)) {
    std::ifstream info(fd.path());
    for (std::string line; std::getline(info, line);) watches += line.rfind("inotify wd:", 0) == 0;
  }
  return watches;
}
