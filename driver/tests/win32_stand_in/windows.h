// Just enough of Win32 for the driver's record delivery to be built and
// tried natively, under the sanitizers: critical sections, events, thread
// handles and user-mode APCs, which run only inside AlertableWait on the
// thread they were queued to, as they do inside an alertable wait.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

typedef unsigned long DWORD;
typedef int BOOL;
typedef void* HANDLE;
typedef uintptr_t ULONG_PTR;
typedef void (*PAPCFUNC)(ULONG_PTR);
#define CALLBACK
#define WINAPI
#define __stdcall
#define TRUE 1
#define FALSE 0
#define INFINITE 0xFFFFFFFFul
#define WAIT_OBJECT_0 0ul
#define DUPLICATE_SAME_ACCESS 2

struct CRITICAL_SECTION {
  std::recursive_mutex Mutex;
};
inline void InitializeCriticalSection(CRITICAL_SECTION*) {}
inline void DeleteCriticalSection(CRITICAL_SECTION*) {}
inline void EnterCriticalSection(CRITICAL_SECTION* section) { section->Mutex.lock(); }
inline void LeaveCriticalSection(CRITICAL_SECTION* section) { section->Mutex.unlock(); }

namespace win32_stand_in {

// An event, or a thread with its queue of APCs.
struct TObject {
  bool ManualReset = false;
  bool Signalled = false;
  std::deque<std::pair<PAPCFUNC, ULONG_PTR>> Apcs;
};

// Every object lives as long as the process, as handles that are never
// closed would; one lock and one condition serve them all.
struct TWorld {
  std::mutex Mutex;
  std::condition_variable Changed;
  std::vector<std::unique_ptr<TObject>> Objects;
  TObject* Make() {
    std::lock_guard<std::mutex> hold(Mutex);
    Objects.push_back(std::make_unique<TObject>());
    return Objects.back().get();
  }
};
inline TWorld& World() {
  static TWorld world;
  return world;
}
inline TObject* ThisThread() {
  thread_local TObject* self = World().Make();
  return self;
}

}  // namespace win32_stand_in

inline HANDLE CreateEventA(void*, BOOL manualReset, BOOL initial, const char*) {
  win32_stand_in::TObject* event = win32_stand_in::World().Make();
  event->ManualReset = manualReset;
  event->Signalled = initial;
  return event;
}
inline BOOL SetEvent(HANDLE event) {
  auto& world = win32_stand_in::World();
  std::lock_guard<std::mutex> hold(world.Mutex);
  static_cast<win32_stand_in::TObject*>(event)->Signalled = true;
  world.Changed.notify_all();
  return TRUE;
}
inline BOOL CloseHandle(HANDLE) { return TRUE; }
inline HANDLE GetCurrentProcess() { return nullptr; }
inline HANDLE GetCurrentThread() { return reinterpret_cast<HANDLE>(-2); }
// Only the way the driver uses it: a real handle of the calling thread.
inline BOOL DuplicateHandle(HANDLE, HANDLE, HANDLE, HANDLE* duplicate, DWORD, BOOL, DWORD) {
  *duplicate = win32_stand_in::ThisThread();
  return TRUE;
}
inline DWORD QueueUserAPC(PAPCFUNC routine, HANDLE thread, ULONG_PTR parameter) {
  auto& world = win32_stand_in::World();
  std::lock_guard<std::mutex> hold(world.Mutex);
  static_cast<win32_stand_in::TObject*>(thread)->Apcs.emplace_back(routine, parameter);
  world.Changed.notify_all();
  return 1;
}
// Waits for any of the events, without a bound.
inline DWORD WaitForMultipleObjects(DWORD count, HANDLE* events, BOOL, DWORD) {
  auto& world = win32_stand_in::World();
  std::unique_lock<std::mutex> hold(world.Mutex);
  for (;;) {
    for (DWORD i = 0; i < count; ++i) {
      auto* event = static_cast<win32_stand_in::TObject*>(events[i]);
      if (event->Signalled) {
        if (!event->ManualReset) event->Signalled = false;
        return WAIT_OBJECT_0 + i;
      }
    }
    world.Changed.wait(hold);
  }
}

// Runs the APCs queued to the calling thread, waiting up to Milliseconds for
// the first; the number that ran.
inline int AlertableWait(int milliseconds) {
  auto& world = win32_stand_in::World();
  win32_stand_in::TObject* self = win32_stand_in::ThisThread();
  std::unique_lock<std::mutex> hold(world.Mutex);
  world.Changed.wait_for(hold, std::chrono::milliseconds(milliseconds), [&] { return !self->Apcs.empty(); });
  int ran = 0;
  while (!self->Apcs.empty()) {
    const auto apc = self->Apcs.front();
    self->Apcs.pop_front();
    hold.unlock();
    apc.first(apc.second);
    ++ran;
    hold.lock();
  }
  return ran;
}
