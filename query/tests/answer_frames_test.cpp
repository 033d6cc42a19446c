// The answer's frames over real pipes: the program's writer against the
// command's reader, however the reads cut them; a reader gone mid-answer;
// what an answer sent at once takes of the least FIFO it may meet; and the
// command's exchange with a program that answers slowly, in part, or not
// at all.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "answer_frames.h"
#include "query_client.h"
#include "query_protocol.h"
#include "query_request.h"

namespace qp = query_protocol;

namespace {

TFrameSink FdSink(int fd) {
  return [fd](const char* data, size_t size) {
    while (size > 0) {
      const ssize_t written = write(fd, data, size);
      if (written <= 0) return false;
      data += written;
      size -= static_cast<size_t>(written);
    }
    return true;
  };
}

std::string Paths(size_t count) {
  std::string paths;
  for (size_t i = 0; i < count; ++i) paths += "D:\\DATA\\FILE-" + std::to_string(i) + ".TXT" + '\0';
  return paths;
}

// What a reader makes of Bytes fed in the pieces Cuts gives: paths, the
// end's count, and the frame types in order.
struct TRead {
  std::string Paths;
  uint64_t Count = 0;
  std::string Types;
};

void Take(TFrameReader& reader, TRead& read) {
  TFrame frame;
  while (reader.Next(frame)) {
    read.Types += static_cast<char>(frame.Type);
    if (frame.Type == qp::kPaths) read.Paths.append(frame.Payload, frame.Length);
    if (frame.Type == qp::kEnd) {
      qp::TEndPayload end;
      ASSERT_EQ(frame.Length, sizeof end);
      std::memcpy(&end, frame.Payload, sizeof end);
      read.Count = end.Count;
    }
  }
}

class TPipe {
 public:
  TPipe() { EXPECT_EQ(pipe(ends_), 0); }
  ~TPipe() {
    CloseReader();
    CloseWriter();
  }
  int Reader() const { return ends_[0]; }
  int Writer() const { return ends_[1]; }
  void CloseReader() { Close(ends_[0]); }
  void CloseWriter() { Close(ends_[1]); }

 private:
  static void Close(int& fd) {
    if (fd >= 0) close(fd);
    fd = -1;
  }
  int ends_[2] = {-1, -1};
};

}  // namespace

TEST(AnswerFrames, ReadWholeHoweverTheBytesAreCut) {
  // Every cut of a small answer, fed in two pieces.
  std::string bytes;
  const TFrameSink toString = [&bytes](const char* data, size_t size) {
    bytes.append(data, size);
    return true;
  };
  ASSERT_TRUE(WriteFrame(toString, qp::kNotice, "wait", 4));
  ASSERT_TRUE(WriteFrame(toString, qp::kAlive, nullptr, 0));
  ASSERT_TRUE(WriteAnswerFrames(toString, Paths(3), 3));
  for (size_t cut = 0; cut <= bytes.size(); ++cut) {
    TFrameReader reader;
    TRead read;
    reader.Feed(bytes.data(), cut);
    Take(reader, read);
    reader.Feed(bytes.data() + cut, bytes.size() - cut);
    Take(reader, read);
    EXPECT_EQ(read.Types, "NAPE") << cut;
    EXPECT_EQ(read.Paths, Paths(3)) << cut;
    EXPECT_EQ(read.Count, 3u) << cut;
  }

  // An answer of several frames through a pipe, read in pieces of every
  // size from one byte up, none of them on a frame's edge by design.
  const std::string many = Paths(40000);
  TPipe pipe;
  std::thread writer([&] {
    EXPECT_TRUE(WriteAnswerFrames(FdSink(pipe.Writer()), many, 40000));
    pipe.CloseWriter();
  });
  TFrameReader reader;
  TRead read;
  std::vector<char> buffer(8192);
  for (size_t piece = 1;; piece = piece % 8191 + 1) {
    const ssize_t got = ::read(pipe.Reader(), buffer.data(), piece);
    if (got <= 0) break;
    reader.Feed(buffer.data(), static_cast<size_t>(got));
    Take(reader, read);
  }
  writer.join();
  EXPECT_GT(read.Types.size(), 2u) << "the answer should take several path frames";
  EXPECT_EQ(read.Types.back(), 'E');
  EXPECT_TRUE(read.Paths == many);
  EXPECT_EQ(read.Count, 40000u);
  EXPECT_FALSE(reader.Damaged());

  // A header that claims more than any answer sends is damage, not a
  // frame to wait for.
  TFrameReader damaged;
  const qp::TFrameHeader huge = {qp::kPaths, {}, 0xFFFFFFF0u};
  damaged.Feed(reinterpret_cast<const char*>(&huge), sizeof huge);
  TFrame frame;
  EXPECT_FALSE(damaged.Next(frame));
  EXPECT_TRUE(damaged.Damaged());
}

TEST(AnswerFrames, AReaderGoneMidAnswerEndsTheWriter) {
  signal(SIGPIPE, SIG_IGN);
  TPipe pipe;
  auto writer = std::async(std::launch::async, [&] { return WriteAnswerFrames(FdSink(pipe.Writer()), Paths(100000), 1); });
  char first[64];
  ASSERT_GT(read(pipe.Reader(), first, sizeof first), 0);
  pipe.CloseReader();
  ASSERT_EQ(writer.wait_for(std::chrono::seconds(20)), std::future_status::ready) << "the writer waits for a reader that has gone";
  EXPECT_FALSE(writer.get());
}

TEST(AnswerFrames, AnAnswerSentAtOnceFitsTheLeastFifo) {
  // The serving thread writes such an answer with no reader reading yet,
  // after the scan's notice: it must fit whole, or the thread would wait.
  struct TCase {
    uint32_t Flags;
    int FifoBytes;  // the least a client's FIFO may hold with these flags: one page,
                    // or what the client grew it to
  };
  const char notice[] = "Velkoro is scanning the drives: the answer follows when the scan has ended";
  for (const TCase& c : {TCase{0, 4096}, TCase{qp::kRoomyReply, static_cast<int>(qp::kRoomyReplyBytes)}}) {
    TPipe pipe;
    if (fcntl(pipe.Writer(), F_SETPIPE_SZ, c.FifoBytes) != c.FifoBytes) GTEST_SKIP() << "no pipe of " << c.FifoBytes;
    ASSERT_EQ(fcntl(pipe.Writer(), F_SETFL, O_NONBLOCK), 0);
    std::string paths = Paths(InlineAnswerBytes(c.Flags) / 20);
    paths.resize(InlineAnswerBytes(c.Flags) - 1, 'X');
    paths.push_back('\0');
    const TFrameSink sink = FdSink(pipe.Writer());
    EXPECT_TRUE(WriteFrame(sink, qp::kNotice, notice, sizeof notice - 1)) << c.Flags;
    EXPECT_TRUE(WriteAnswerFrames(sink, paths, 1)) << c.Flags << ": an answer of " << paths.size() << " bytes";
  }
}

namespace {

// A program of the test's own on a channel folder: it reads one request
// and answers it as Script says, on the reply FIFO the request names.
class TFakeProgram {
 public:
  using TScript = std::function<void(const TFrameSink& reply)>;
  TFakeProgram() {
    char folder[] = "/tmp/velkoro-query-test.XXXXXX";
    EXPECT_NE(mkdtemp(folder), nullptr);
    folder_ = folder;
    EXPECT_EQ(mkfifo((folder_ + "/" + qp::kRequestFifo).c_str(), 0600), 0);
    requests_ = open((folder_ + "/" + qp::kRequestFifo).c_str(), O_RDWR);
  }
  ~TFakeProgram() {
    if (server_.joinable()) server_.join();
    if (requests_ >= 0) close(requests_);
    std::system(("rm -rf " + folder_).c_str());
  }
  const std::string& Folder() const { return folder_; }
  void Serve(TScript script) {
    server_ = std::thread([this, script] {
      std::string bytes(qp::kMaxRequest, '\0');
      const ssize_t got = read(requests_, &bytes[0], bytes.size());
      bytes.resize(got > 0 ? static_cast<size_t>(got) : 0);
      size_t offset = 0;
      TQueryRequest request;
      ASSERT_EQ(NextRequest(bytes, offset, request), TRequestParse::Request);
      const int reply = open((folder_ + "/" + request.ReplyName).c_str(), O_WRONLY);
      ASSERT_GE(reply, 0);
      script(FdSink(reply));
      close(reply);
    });
  }
  void Leave() {
    close(requests_);
    requests_ = -1;
  }

 private:
  std::string folder_;
  int requests_ = -1;
  std::thread server_;
};

void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

}  // namespace

TEST(QueryClient, GivesUpOnASilentProgramOnly) {
  constexpr int kSilenceMs = 400;
  const qp::TEndPayload one{1};
  const auto end = [&one](const TFrameSink& reply) {
    WriteFrame(reply, qp::kPaths, "D:\\A.TXT", 9);
    WriteFrame(reply, qp::kEnd, reinterpret_cast<const char*>(&one), sizeof one);
  };
  struct TCase {
    const char* Name;
    TFakeProgram::TScript Script;
    TQueryOutcome Outcome;
  };
  const TCase cases[] = {
      {"reads the request and drops it", [](const TFrameSink&) { Sleep(3 * kSilenceMs); }, TQueryOutcome::Silent},
      {"stops in the middle of a frame",
       [](const TFrameSink& reply) {
         reply("P\0\0\0", 4);
         Sleep(3 * kSilenceMs);
       },
       TQueryOutcome::Silent},
      {"says a scan is under way, then answers after twice the limit",
       [&](const TFrameSink& reply) {
         WriteFrame(reply, qp::kNotice, "scanning", 8);
         for (int i = 0; i < 4; ++i) {
           Sleep(kSilenceMs / 2);
           WriteFrame(reply, qp::kAlive, nullptr, 0);
         }
         end(reply);
       },
       TQueryOutcome::Answered},
      {"answers at once", end, TQueryOutcome::Answered},
  };
  for (const TCase& c : cases) {
    TFakeProgram program;
    program.Serve(c.Script);
    TQuery query;
    query.Pattern = "*.TXT";
    query.SilenceLimitMs = kSilenceMs;
    std::string paths;
    TQueryHandlers handlers;
    handlers.Paths = [&paths](const char* data, size_t length) { paths.append(data, length); };
    const auto start = std::chrono::steady_clock::now();
    const TQueryResult result = RunQuery(program.Folder(), query, handlers);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(result.Outcome, c.Outcome) << c.Name << ": " << result.Problem;
    if (c.Outcome == TQueryOutcome::Silent) {
      EXPECT_LT(took, std::chrono::milliseconds(kSilenceMs * 2)) << c.Name;
    } else {
      EXPECT_EQ(paths, std::string("D:\\A.TXT", 9)) << c.Name;
    }
  }

  // A program that has gone is reported at once, not waited for.
  TFakeProgram gone;
  gone.Leave();
  TQuery query;
  query.Pattern = "*.TXT";
  EXPECT_EQ(RunQuery(gone.Folder(), query, TQueryHandlers()).Outcome, TQueryOutcome::NotRunning);
}
