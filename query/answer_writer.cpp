#include "answer_writer.h"

#include <cstring>
#include <vector>

#include "query_protocol.h"

namespace qp = query_protocol;

namespace {

// Paths go in frames of about this size, whole paths each, so that the
// client prints the first ones while the rest are on their way.
constexpr size_t kFrameBytes = 256 * 1024;

struct TPendingAnswer {
  HANDLE Reply;
  TQueryAnswer Answer;
};

}  // namespace

void WriteAnswer(HANDLE reply, const TQueryAnswer& answer) {
  const std::string& paths = answer.Paths;
  size_t start = 0;
  while (start < paths.size()) {
    size_t end = start + kFrameBytes;
    if (end >= paths.size()) {
      end = paths.size();
    } else {
      end = paths.find('\0', end) + 1;
    }
    if (!WriteFrame(reply, qp::kPaths, paths.data() + start, static_cast<uint32_t>(end - start))) return;
    start = end;
  }
  const qp::TEndPayload end{answer.Count};
  WriteFrame(reply, qp::kEnd, reinterpret_cast<const char*>(&end), sizeof end);
}

namespace {

DWORD WINAPI WriterMain(void* pending) {
  auto* answer = static_cast<TPendingAnswer*>(pending);
  WriteAnswer(answer->Reply, answer->Answer);
  CloseHandle(answer->Reply);
  delete answer;
  return 0;
}

}  // namespace

bool WriteFrame(HANDLE reply, uint8_t type, const char* payload, uint32_t length) {
  qp::TFrameHeader header = {};
  header.Type = type;
  header.Length = length;
  // Header and a small payload in one write: a one-line answer is one read
  // for the client.
  std::vector<char> first(sizeof header + (length <= 4096 ? length : 0));
  std::memcpy(first.data(), &header, sizeof header);
  if (length <= 4096 && length) std::memcpy(first.data() + sizeof header, payload, length);
  const auto writeAll = [reply](const char* data, size_t size) {
    while (size > 0) {
      DWORD written = 0;
      if (!WriteFile(reply, data, static_cast<DWORD>(size), &written, nullptr) || written == 0) return false;
      data += written;
      size -= written;
    }
    return true;
  };
  if (!writeAll(first.data(), first.size())) return false;
  return length <= 4096 || writeAll(payload, length);
}

void SendAnswer(HANDLE reply, TQueryAnswer answer) {
  auto* pending = new TPendingAnswer{reply, std::move(answer)};
  const HANDLE writer = CreateThread(nullptr, 0, WriterMain, pending, 0, nullptr);
  if (writer) {
    CloseHandle(writer);
  } else {
    WriterMain(pending);
  }
}
