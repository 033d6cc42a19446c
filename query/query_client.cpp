#include "query_client.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <memory>

#include "answer_frames.h"
#include "query_protocol.h"
#include "query_request.h"
#include "unique_fd.h"

namespace qp = query_protocol;

namespace {

// How often a client whose answer has not come looks whether the program
// is still there, and how long it retries a request FIFO that is full.
constexpr int kAliveCheckMs = 50;
constexpr int kFullRetries = 2000;

// The reply FIFO's name goes as soon as the program has opened it, or with
// the client.
class TReplyFifo {
 public:
  explicit TReplyFifo(const std::string& folder) {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    name_ = std::string(qp::kReplyPrefix) + std::to_string(getpid()) + "-" +
            std::to_string(now.tv_sec * 1000000000LL + now.tv_nsec);
    path_ = folder + "/" + name_;
    if (mkfifo(path_.c_str(), 0600) != 0) path_.clear();
  }
  ~TReplyFifo() { Remove(); }
  TReplyFifo(const TReplyFifo&) = delete;
  TReplyFifo& operator=(const TReplyFifo&) = delete;
  bool Made() const { return !path_.empty(); }
  const std::string& Name() const { return name_; }
  const std::string& Path() const { return path_; }
  void Remove() {
    if (!path_.empty()) unlink(path_.c_str());
    path_.clear();
  }

 private:
  std::string name_;
  std::string path_;
};

// The request FIFO, opened for writing without waiting: it fails with
// ENXIO when no program holds its reading end, ENOENT when there is none.
int OpenRequests(const std::string& folder) {
  return open((folder + "/" + qp::kRequestFifo).c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
}

bool ProgramIsThere(const std::string& folder) {
  const int fd = OpenRequests(folder);
  if (fd < 0) return false;
  close(fd);
  return true;
}

TQueryResult Failure(TQueryOutcome outcome, const std::string& problem = std::string()) {
  TQueryResult result;
  result.Outcome = outcome;
  result.Problem = problem;
  return result;
}

// Sends the request whole in one write, which a FIFO never splits nor
// interleaves below PIPE_BUF; a full FIFO (a burst of shells) is retried.
bool SendRequest(const std::string& folder, const std::string& request, TQueryResult& failure) {
  for (int attempt = 0;; ++attempt) {
    TFd requests(OpenRequests(folder));
    if (requests.get() < 0) {
      failure = Failure(TQueryOutcome::NotRunning);
      return false;
    }
    const ssize_t written = write(requests.get(), request.data(), request.size());
    if (written == static_cast<ssize_t>(request.size())) return true;
    if (written >= 0 || errno != EAGAIN || attempt == kFullRetries) {
      failure = Failure(TQueryOutcome::Failed, std::string("cannot send the request: ") + std::strerror(errno));
      return false;
    }
    usleep(1000);
  }
}

int64_t NowMs() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return now.tv_sec * 1000LL + now.tv_nsec / 1000000;
}

}  // namespace

TQueryResult RunQuery(const std::string& channelFolder, const TQuery& query, const TQueryHandlers& handlers) {
  if (query.Pattern.size() > qp::kMaxPattern) return Failure(TQueryOutcome::Failed, "the pattern is too long");
  TReplyFifo fifo(channelFolder);
  if (!fifo.Made()) {
    if (!ProgramIsThere(channelFolder)) return Failure(TQueryOutcome::NotRunning);
    return Failure(TQueryOutcome::Failed, "cannot make a reply FIFO in " + channelFolder + ": " + std::strerror(errno));
  }
  // Open before the request goes, so that the program's open never waits.
  TFd reply(open(fifo.Path().c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (reply.get() < 0) return Failure(TQueryOutcome::Failed, std::string("cannot open the reply FIFO: ") + std::strerror(errno));
  // Left as it is, the FIFO would make the program hand any answer over
  // 4 KB to a writer thread, with a second open of the FIFO: a millisecond
  // or more under Wine. A ceiling set lower leaves it at that.
  uint32_t flags = query.Flags;
  const int roomy = static_cast<int>(qp::kRoomyReplyBytes);
  if (fcntl(reply.get(), F_SETPIPE_SZ, roomy) >= roomy) flags |= qp::kRoomyReply;
  TQueryResult failure;
  const std::string request = EncodeRequest(query.Kind, fifo.Name(), query.Pattern, flags, query.Limit);
  if (!SendRequest(channelFolder, request, failure)) return failure;

  // Left uninitialized: a short answer then touches a page or two of it,
  // not all 128, which every query used to fault in.
  constexpr size_t kBufferBytes = 512 * 1024;
  const std::unique_ptr<char[]> buffer(new char[kBufferBytes]);
  TFrameReader frames;
  int64_t lastByte = NowMs();
  for (;;) {
    pollfd wait = {reply.get(), POLLIN, 0};
    const int ready = poll(&wait, 1, kAliveCheckMs);
    if (ready < 0 && errno != EINTR) return Failure(TQueryOutcome::Failed, std::strerror(errno));
    if (ready <= 0) {
      if (!ProgramIsThere(channelFolder)) return Failure(TQueryOutcome::NotRunning);
      // A program that is there and says nothing (stopped, hung, or one
      // that dropped the request) would otherwise be waited for for good.
      if (NowMs() - lastByte >= query.SilenceLimitMs) return Failure(TQueryOutcome::Silent);
      continue;
    }
    const ssize_t got = read(reply.get(), buffer.get(), kBufferBytes);
    if (got < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    if (got <= 0) return Failure(TQueryOutcome::NotRunning, "the answer was cut short");
    lastByte = NowMs();
    fifo.Remove();
    frames.Feed(buffer.get(), static_cast<size_t>(got));
    TFrame frame;
    while (frames.Next(frame)) {
      switch (frame.Type) {
        case qp::kNotice:
          if (handlers.Notice) handlers.Notice(std::string(frame.Payload, frame.Length));
          break;
        case qp::kAlive:
          break;
        case qp::kPaths:
          if (handlers.Paths) handlers.Paths(frame.Payload, frame.Length);
          break;
        case qp::kEnd: {
          TQueryResult result;
          result.Outcome = TQueryOutcome::Answered;
          qp::TEndPayload end = {};
          std::memcpy(&end, frame.Payload, std::min<size_t>(sizeof end, frame.Length));
          result.Count = end.Count;
          return result;
        }
        case qp::kError:
          return Failure(TQueryOutcome::Failed, std::string(frame.Payload, frame.Length));
        default:
          return Failure(TQueryOutcome::Failed, "an answer this command does not understand");
      }
    }
    if (frames.Damaged()) return Failure(TQueryOutcome::Failed, "an answer this command does not understand");
  }
}
