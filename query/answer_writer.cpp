#include "answer_writer.h"

namespace {

struct TPendingAnswer {
  HANDLE Reply;
  TQueryAnswer Answer;
};

DWORD WINAPI WriterMain(void* pending) {
  auto* answer = static_cast<TPendingAnswer*>(pending);
  WriteAnswerFrames(ReplySink(answer->Reply), answer->Answer.Paths, answer->Answer.Count);
  CloseHandle(answer->Reply);
  delete answer;
  return 0;
}

}  // namespace

TFrameSink ReplySink(HANDLE reply) {
  return [reply](const char* data, size_t size) {
    while (size > 0) {
      DWORD written = 0;
      if (!WriteFile(reply, data, static_cast<DWORD>(size), &written, nullptr) || written == 0) return false;
      data += written;
      size -= written;
    }
    return true;
  };
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
