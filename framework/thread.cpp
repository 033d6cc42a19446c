#include "thread.h"

#include <exception>

#include "application.h"

TThread::TThread() : mainThreadId_(GetCurrentThreadId()) {
  handle_.Reset(CreateThread(nullptr, 0, ThreadMain, this, CREATE_SUSPENDED, nullptr));
}

TThread::~TThread() = default;

bool TThread::WaitFor(DWORD milliseconds) const {
  return !handle_.Valid() || WaitForSingleObject(handle_.Get(), milliseconds) == WAIT_OBJECT_0;
}

DWORD WINAPI TThread::ThreadMain(void* self) {
  auto* thread = static_cast<TThread*>(self);
  try {
    thread->Execute();
  } catch (const std::exception& exception) {
    ShowExceptionBox(exception);
    // The program ends as it does after a start-up failure: the message
    // loop stops, the forms are destroyed, ShutDown runs. Posted, since the
    // loop may not even run yet.
    PostThreadMessageA(thread->mainThreadId_, WM_QUIT, 0, 0);
  }
  return 0;
}
