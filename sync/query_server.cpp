#include "query_server.h"

#include <cstring>
#include <random>

#include "../find/query_protocol.h"
#include "answer_writer.h"
#include "query_channel.h"

namespace qp = query_protocol;

namespace {

// How long ShutDown waits for the thread: a search of a million names
// takes a few milliseconds, its paths a few dozen more.
constexpr DWORD kStopWaitMs = 5000;
constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
// Half of the least a FIFO holds, with room for the frames' headers: a
// user past their pipe quota gets two pages (8 KB) instead of 64 KB, and
// an inline write that did not fit would hold this thread until the reader
// read, or for ever if the reader had gone (this side holds both ends).
constexpr size_t kInlineAnswerBytes = 4 * 1024;
constexpr DWORD kScanPollMs = 20;

const char kScanNotice[] =
    "Velkoro is scanning the drives: the answer follows when the scan has ended";

uint64_t StopToken() {
  std::random_device random;
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return (uint64_t{random()} << 32 ^ random()) ^ static_cast<uint64_t>(now.QuadPart);
}

std::string RequestBytes(uint16_t kind, uint64_t token) {
  qp::TRequestHeader header = {};
  header.Magic = qp::kRequestMagic;
  header.Kind = kind;
  header.Length = sizeof header;
  header.Token = token;
  return std::string(reinterpret_cast<const char*>(&header), sizeof header);
}

}  // namespace

std::unique_ptr<TQueryServer> TQueryServer::Open(TMemoryDB& database) {
  const std::string folder = QueryChannelFolder();
  if (folder.empty() || !MakeQueryChannel(folder) || !WriteFixedDrives(folder)) return nullptr;
  // Read and write: opening a FIFO for reading alone would wait for a
  // writer, and read() would end at the first client that goes. This end
  // never ends; the program's own stop request wakes the thread.
  const std::wstring fifo = Win32PathOfHost(folder + "/" + qp::kRequestFifo);
  const HANDLE requests =
      CreateFileW(fifo.c_str(), GENERIC_READ | GENERIC_WRITE, kShare, nullptr, OPEN_EXISTING, 0, nullptr);
  if (requests == INVALID_HANDLE_VALUE) {
    RemoveQueryChannel(folder);
    return nullptr;
  }
  return std::unique_ptr<TQueryServer>(new TQueryServer(database, folder, requests, StopToken()));
}

TQueryServer::TQueryServer(TMemoryDB& database, std::string folder, HANDLE requests, uint64_t token)
    : database_(database), folder_(std::move(folder)), requests_(requests), stopToken_(token) {
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
  const std::string stop = RequestBytes(qp::kStop, stopToken_);
  DWORD written = 0;
  WriteFile(wake, stop.data(), static_cast<DWORD>(stop.size()), &written, nullptr);
  CloseHandle(wake);
  return WaitFor(kStopWaitMs);
}

void TQueryServer::RemoveChannel() {
  if (removed_) return;
  removed_ = true;
  RemoveQueryChannel(folder_);
}

void TQueryServer::Execute() {
  std::string pending;
  std::vector<char> buffer(64 * 1024);
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(requests_, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) || got == 0) return;
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
  // client that made this one may have gone meanwhile.
  const HANDLE reply = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, kShare, nullptr, OPEN_EXISTING, 0, nullptr);
  if (reply == INVALID_HANDLE_VALUE) return;
  if (!request.Problem.empty()) {
    WriteFrame(reply, qp::kError, request.Problem.data(), static_cast<uint32_t>(request.Problem.size()));
    CloseHandle(reply);
    return;
  }
  // A query during File > Scan Drives waits for the whole new tree rather
  // than answering from a part of it: an answer that silently lacks files
  // that exist would be worse than one that comes late.
  // The scan measures the drives before it takes the lock: the flag, not
  // the lock, says when the new tree is whole.
  if (database_.ScanUnderWay()) {
    WriteFrame(reply, qp::kNotice, kScanNotice, sizeof kScanNotice - 1);
    while (database_.ScanUnderWay()) Sleep(kScanPollMs);
  }
  TQueryAnswer answer =
      answerer_.Answer(database_, request.Pattern, (request.Flags & qp::kCountOnly) != 0, request.Limit);
  // An answer that fits the FIFO's buffer never waits for the reader: it
  // goes at once, on this thread.
  const size_t inlineBytes = (request.Flags & qp::kRoomyReply) ? qp::kRoomyAnswerBytes : kInlineAnswerBytes;
  if (answer.Paths.size() <= inlineBytes) {
    WriteAnswer(reply, answer);
    CloseHandle(reply);
    return;
  }
  // A larger one waits for the reader, on a thread of its own, through a
  // write-only handle (which cannot wait now, as this side reads too), so
  // that a reader that goes makes the writes fail instead of blocking for
  // ever.
  const HANDLE writeOnly = CreateFileW(path.c_str(), GENERIC_WRITE, kShare, nullptr, OPEN_EXISTING, 0, nullptr);
  CloseHandle(reply);
  if (writeOnly != INVALID_HANDLE_VALUE) SendAnswer(writeOnly, std::move(answer));
}
