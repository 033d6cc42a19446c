#include "query_server.h"

#include <exception>
#include <random>

#include "answer_frames.h"
#include "answer_writer.h"
#include "query_channel.h"
#include "query_protocol.h"

namespace qp = query_protocol;

namespace {

// How long ShutDown waits for the thread: a search of a million names
// takes a few milliseconds, its paths a few dozen more.
constexpr DWORD kStopWaitMs = 5000;
constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
constexpr DWORD kScanPollMs = 20;

const char kScanNotice[] =
    "Velkoro is scanning the drives: the answer follows when the scan has ended";

uint64_t StopToken() {
  std::random_device random;
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return (uint64_t{random()} << 32 ^ random()) ^ static_cast<uint64_t>(now.QuadPart);
}

HANDLE OpenRequestFifo(const std::string& folder) {
  // Read and write: opening a FIFO for reading alone would wait for a
  // writer, and read() would end at the first client that goes. This end
  // never ends; the program's own stop request wakes the thread.
  const std::wstring fifo = Win32PathOfHost(folder + "/" + qp::kRequestFifo);
  return CreateFileW(fifo.c_str(), GENERIC_READ | GENERIC_WRITE, kShare, nullptr, OPEN_EXISTING, 0, nullptr);
}

// A handle that writes to a reply FIFO and does not read it: with the
// program's reading end closed, a client that has gone makes the writes
// fail instead of filling its FIFO and then blocking for ever. Opening it
// cannot wait while the program holds a reading end.
HANDLE OpenWriteOnly(const std::wstring& path) {
  return CreateFileW(path.c_str(), GENERIC_WRITE, kShare, nullptr, OPEN_EXISTING, 0, nullptr);
}

// Replaces Reply by a write-only handle, where one can be had.
void KeepWriteOnly(HANDLE& reply, const std::wstring& path) {
  const HANDLE writeOnly = OpenWriteOnly(path);
  if (writeOnly == INVALID_HANDLE_VALUE) return;
  CloseHandle(reply);
  reply = writeOnly;
}

}  // namespace

std::unique_ptr<TQueryServer> TQueryServer::Open(TMemoryDB& database, TShowWindow showWindow) {
  const std::string folder = QueryChannelFolder();
  if (folder.empty() || !MakeQueryChannel(folder) || !WriteFixedDrives(folder)) return nullptr;
  const HANDLE requests = OpenRequestFifo(folder);
  if (requests == INVALID_HANDLE_VALUE) {
    RemoveQueryChannel(folder);
    return nullptr;
  }
  return std::unique_ptr<TQueryServer>(
      new TQueryServer(database, std::move(showWindow), folder, requests, StopToken()));
}

TQueryServer::TQueryServer(TMemoryDB& database, TShowWindow showWindow, std::string folder, HANDLE requests,
                           uint64_t token)
    : database_(database),
      showWindow_(std::move(showWindow)),
      folder_(std::move(folder)),
      requests_(requests),
      stopToken_(token) {
  Resume();
}

TQueryServer::~TQueryServer() {
  if (WaitFor(0)) {
    RemoveChannel();
    CloseHandle(requests_);
  }
}

bool TQueryServer::Stop() {
  // The wake-up goes through a handle of its own, opened while the FIFO
  // still has its name: the thread's handle is busy in its read. Write-only
  // does not wait, since the thread holds the reading end.
  const std::wstring fifo = Win32PathOfHost(folder_ + "/" + qp::kRequestFifo);
  const HANDLE wake = CreateFileW(fifo.c_str(), GENERIC_WRITE, kShare, nullptr, OPEN_EXISTING, 0, nullptr);
  // New clients find no FIFO from now on and report the program gone.
  RemoveChannel();
  if (wake == INVALID_HANDLE_VALUE) return WaitFor(0);
  const std::string stop = EncodeRequest(qp::kStop, std::string(), std::string(), 0, 0, stopToken_);
  DWORD written = 0;
  WriteFile(wake, stop.data(), static_cast<DWORD>(stop.size()), &written, nullptr);
  CloseHandle(wake);
  return WaitFor(kStopWaitMs);
}

void TQueryServer::RemoveChannel() {
  if (removed_.exchange(true)) return;
  RemoveQueryChannel(folder_);
}

bool TQueryServer::ReopenRequests() {
  const HANDLE fresh = OpenRequestFifo(folder_);
  if (fresh == INVALID_HANDLE_VALUE) return false;
  // Opened before the old one goes, so that requests in the FIFO stay.
  CloseHandle(requests_);
  requests_ = fresh;
  return true;
}

void TQueryServer::Execute() {
  std::string pending;
  std::vector<char> buffer(64 * 1024);
  bool reopened = false;
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(requests_, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) || got == 0) {
      // A channel left in place with no one reading it would keep every
      // client waiting: read on through a fresh handle, or take the
      // channel away, so that clients hear at once that no one serves. A
      // fresh handle that fails at once too would only spin.
      if (!reopened && ReopenRequests()) {
        reopened = true;
        continue;
      }
      RemoveChannel();
      return;
    }
    reopened = false;
    pending.append(buffer.data(), got);
    size_t offset = 0;
    TQueryRequest request;
    for (;;) {
      const TRequestParse parse = NextRequest(pending, offset, request);
      if (parse == TRequestParse::NeedMore) break;
      if (parse == TRequestParse::Request && request.Kind == qp::kStop) {
        if (request.Token == stopToken_) return;
        continue;
      }
      // Damage with no one to tell is skipped; the channel goes on.
      if (parse == TRequestParse::Malformed && request.ReplyName.empty()) continue;
      Serve(request);
    }
    pending.erase(0, offset);
  }
}

void TQueryServer::Serve(const TQueryRequest& request) {
  const std::wstring path = Win32PathOfHost(folder_ + "/" + request.ReplyName);
  // Both ends: opening a FIFO for writing alone waits for a reader, and the
  // client that made this one may have gone meanwhile, taking its FIFO: then
  // no one is left to answer.
  HANDLE reply = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, kShare, nullptr, OPEN_EXISTING, 0, nullptr);
  if (reply == INVALID_HANDLE_VALUE) return;
  std::string problem = request.Problem;
  if (problem.empty()) {
    try {
      problem = request.Kind == qp::kShowWindow ? ShowWindow(request, reply) : Answer(request, reply, path);
    } catch (const std::exception& error) {
      // An answer too large for the memory left, say: the client hears it
      // and the channel serves on.
      problem = std::string("the program could not answer: ") + error.what();
    }
  }
  if (!problem.empty()) {
    WriteFrame(ReplySink(reply), qp::kError, problem.data(), static_cast<uint32_t>(problem.size()));
  }
  CloseHandle(reply);
}

std::string TQueryServer::Answer(const TQueryRequest& request, HANDLE& reply, const std::wstring& path) {
  // A query during File > Scan Drives waits for the whole new tree rather
  // than answering from a part of it: an answer that silently lacks files
  // that exist would be worse than one that comes late. The scan measures
  // the drives before it takes the lock: the flag, not the lock, says when
  // the new tree is whole. Meanwhile the client hears every few seconds
  // that the program is at it, and stops waiting if it does not.
  if (database_.ScanUnderWay()) {
    KeepWriteOnly(reply, path);
    const TFrameSink sink = ReplySink(reply);
    if (!WriteFrame(sink, qp::kNotice, kScanNotice, sizeof kScanNotice - 1)) return std::string();
    for (DWORD quiet = 0; database_.ScanUnderWay(); quiet += kScanPollMs) {
      if (quiet >= static_cast<DWORD>(qp::kAliveEveryMs)) {
        if (!WriteFrame(sink, qp::kAlive, nullptr, 0)) return std::string();
        quiet = 0;
      }
      Sleep(kScanPollMs);
    }
  }
  TQueryAnswer answer =
      answerer_.Answer(database_, request.Pattern, (request.Flags & qp::kCountOnly) != 0, request.Limit);
  // An answer that fits the FIFO's buffer never waits for the reader: it
  // goes at once, on this thread.
  if (answer.Paths.size() <= InlineAnswerBytes(request.Flags)) {
    WriteAnswerFrames(ReplySink(reply), answer.Paths, answer.Count);
    return std::string();
  }
  // A larger one waits for the reader, on a thread of its own, through a
  // write-only handle, so that a reader that goes makes the writes fail
  // instead of blocking for ever.
  const HANDLE writeOnly = OpenWriteOnly(path);
  if (writeOnly == INVALID_HANDLE_VALUE) return "the program could not open the reply FIFO to write the answer";
  SendAnswer(writeOnly, std::move(answer));
  return std::string();
}

std::string TQueryServer::ShowWindow(const TQueryRequest& request, HANDLE reply) {
  if (!showWindow_ || !showWindow_(request.Pattern)) {
    return "the search window did not come up (it stays down while the splash panel shows)";
  }
  const qp::TEndPayload shown{1};
  WriteFrame(ReplySink(reply), qp::kEnd, reinterpret_cast<const char*>(&shown), sizeof shown);
  return std::string();
}
