// TThread: an object that owns one operating-system thread and runs its
// Execute on it. An exception that leaves Execute is shown in the error box
// with its class name and message, and ends the whole program.
#pragma once

#include <windows.h>

#include "owned_handle.h"

class TThread {
 public:
  virtual ~TThread();
  TThread(const TThread&) = delete;
  TThread& operator=(const TThread&) = delete;

  HANDLE Handle() const { return handle_.Get(); }
  void SetPriority(int priority) { SetThreadPriority(handle_.Get(), priority); }
  void Resume() { ResumeThread(handle_.Get()); }
  // True when the thread has ended within Milliseconds.
  bool WaitFor(DWORD milliseconds) const;

 protected:
  // Created suspended: a derived class finishes its construction and then
  // calls Resume, so that Execute never runs on a half-made object.
  TThread();
  virtual void Execute() = 0;

 private:
  static DWORD WINAPI ThreadMain(void* self);

  TOwnedHandle handle_;
  // The user-interface thread, whose message loop the fatal end stops.
  DWORD mainThreadId_ = 0;
};
