#include "record_delivery.h"

namespace {

// The program applies records at idle priority: beyond this many in its
// hands or queued, the reader stops reading, the monitor stops writing, and
// the kernel's queue takes the rest (with a full resynchronisation if that
// overflows too). About 30 MB at the longest paths.
constexpr size_t kMostOutstanding = 100000;

}  // namespace

struct TRecordDelivery::TQueued {
  TChangeRecord Record;  // first: its address is the record's
  uint32_t Generation;
  std::string Path;
  std::string NewPath;
};

TRecordDelivery::TRecordDelivery() : room_(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {
  InitializeCriticalSection(&lock_);
}

TRecordDelivery::~TRecordDelivery() {
  DeleteCriticalSection(&lock_);
  if (room_) CloseHandle(room_);
}

bool TRecordDelivery::Register(TChangeRoutine routine) {
  EnterCriticalSection(&lock_);
  const bool free = routine_ == nullptr;
  if (free) {
    HANDLE thread = nullptr;
    DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &thread, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
    if (thread_) CloseHandle(thread_);
    thread_ = thread;
    routine_ = routine;
    ++generation_;
  }
  LeaveCriticalSection(&lock_);
  return free && thread_;
}

void TRecordDelivery::Unregister() {
  EnterCriticalSection(&lock_);
  routine_ = nullptr;
  ++generation_;
  LeaveCriticalSection(&lock_);
  SetEvent(room_);
}

bool TRecordDelivery::Registered() {
  EnterCriticalSection(&lock_);
  const bool registered = routine_ != nullptr;
  LeaveCriticalSection(&lock_);
  return registered;
}

uint32_t TRecordDelivery::Generation() {
  EnterCriticalSection(&lock_);
  const uint32_t generation = generation_;
  LeaveCriticalSection(&lock_);
  return generation;
}

bool TRecordDelivery::Deliver(uint32_t generation, uint8_t eventCode, uint8_t subCode, std::string path,
                              std::string newPath, HANDLE abandon) {
  for (;;) {
    EnterCriticalSection(&lock_);
    if (generation != generation_) {
      LeaveCriticalSection(&lock_);
      return false;
    }
    if (outstanding_.size() < kMostOutstanding) break;
    LeaveCriticalSection(&lock_);
    HANDLE waits[2] = {room_, abandon};
    if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0) return false;
  }
  auto* queued = new TQueued{{nullptr, nullptr, subCode, eventCode}, generation, std::move(path),
                             std::move(newPath)};
  queued->Record.Path = queued->Path.c_str();
  queued->Record.NewPath = queued->NewPath.c_str();
  outstanding_[queued] = false;
  const bool queuedOk = QueueUserAPC(HandOver, thread_, reinterpret_cast<ULONG_PTR>(queued)) != 0;
  if (!queuedOk) outstanding_.erase(queued);
  LeaveCriticalSection(&lock_);
  if (!queuedOk) delete queued;
  return queuedOk;
}

void CALLBACK TRecordDelivery::HandOver(ULONG_PTR parameter) {
  auto* queued = reinterpret_cast<TQueued*>(parameter);
  TRecordDelivery& delivery = Delivery();
  EnterCriticalSection(&delivery.lock_);
  const TChangeRoutine routine = queued->Generation == delivery.generation_ ? delivery.routine_ : nullptr;
  if (routine) delivery.outstanding_[queued] = true;
  LeaveCriticalSection(&delivery.lock_);
  if (routine) {
    routine(&queued->Record);
  } else {
    delivery.Free(queued);  // queued for a registration that was removed
  }
}

void TRecordDelivery::Free(TQueued* record) {
  EnterCriticalSection(&lock_);
  outstanding_.erase(record);
  LeaveCriticalSection(&lock_);
  delete record;
  SetEvent(room_);
}

void TRecordDelivery::Release(const void* address) {
  EnterCriticalSection(&lock_);
  const auto found = outstanding_.find(address);
  // Only a record in the program's hands can be given back: one still
  // queued has not been delivered, and any other address was never ours.
  const bool ours = found != outstanding_.end() && found->second;
  if (ours) outstanding_.erase(found);
  LeaveCriticalSection(&lock_);
  if (ours) {
    delete static_cast<TQueued*>(const_cast<void*>(address));
    SetEvent(room_);
  }
}

TRecordDelivery& Delivery() {
  static TRecordDelivery delivery;
  return delivery;
}
