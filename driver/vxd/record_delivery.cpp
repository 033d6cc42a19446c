#include "record_delivery.h"

namespace {

// The program applies records at idle priority: beyond this many in its
// hands or waiting (give or take one read of the channel), the reader stops
// reading, the monitor stops writing, and the kernel's queue takes the rest
// (with a full resynchronisation if that overflows too). About 30 MB at the
// longest paths.
constexpr size_t kMostOutstanding = 100000;
// One HandOver hands over at most this many records and then queues itself
// again, so that a long backlog still lets the program's wait return now
// and then.
constexpr size_t kMostPerHandOver = 4096;

}  // namespace

TOutgoingRecord::TOutgoingRecord(uint8_t eventCode, uint8_t subCode, std::string path, std::string newPath,
                                 THostSpellings spellings)
    : Record{nullptr, nullptr, subCode, eventCode},
      Path(std::move(path)),
      NewPath(std::move(newPath)),
      Spellings(spellings) {
  Record.Path = Path.c_str();
  Record.NewPath = NewPath.c_str();
}

TRecordDelivery::TRecordDelivery() : room_(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {
  InitializeCriticalSection(&lock_);
}

TRecordDelivery::~TRecordDelivery() {
  DeleteCriticalSection(&lock_);
  if (room_) CloseHandle(room_);
}

std::deque<TOutgoingRecord*> TRecordDelivery::TakeWaiting() {
  std::deque<TOutgoingRecord*> taken;
  taken.swap(waiting_);
  // Nothing waits: no HandOver is owed to anyone.
  handOverQueued_ = false;
  return taken;
}

bool TRecordDelivery::RoomFreed() {
  if (!readerWaiting_ || Held() >= kMostOutstanding) return false;
  readerWaiting_ = false;
  return true;
}

bool TRecordDelivery::Register(TChangeRoutine routine) {
  EnterCriticalSection(&lock_);
  const bool free = routine_ == nullptr;
  std::deque<TOutgoingRecord*> dropped;
  if (free) {
    HANDLE thread = nullptr;
    DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &thread, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
    if (thread_) CloseHandle(thread_);
    thread_ = thread;
    routine_ = routine;
    ++generation_;
    dropped = TakeWaiting();
  }
  LeaveCriticalSection(&lock_);
  for (TOutgoingRecord* record : dropped) delete record;
  return free && thread_;
}

void TRecordDelivery::Unregister() {
  EnterCriticalSection(&lock_);
  routine_ = nullptr;
  ++generation_;
  std::deque<TOutgoingRecord*> dropped = TakeWaiting();
  readerWaiting_ = false;
  LeaveCriticalSection(&lock_);
  for (TOutgoingRecord* record : dropped) delete record;
  SetEvent(room_);  // a reader waiting for room finds its registration gone
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

bool TRecordDelivery::Deliver(uint32_t generation, TRecordBatch& batch, HANDLE abandon) {
  TRecordBatch records;
  records.swap(batch);
  if (records.empty()) return true;
  EnterCriticalSection(&lock_);
  while (generation == generation_ && Held() >= kMostOutstanding) {
    readerWaiting_ = true;
    LeaveCriticalSection(&lock_);
    HANDLE waits[2] = {room_, abandon};
    const DWORD woken = WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    EnterCriticalSection(&lock_);
    if (woken != WAIT_OBJECT_0) {
      readerWaiting_ = false;
      LeaveCriticalSection(&lock_);
      return false;
    }
  }
  readerWaiting_ = false;
  if (generation != generation_) {
    LeaveCriticalSection(&lock_);
    return false;  // for a registration that was removed
  }
  for (std::unique_ptr<TOutgoingRecord>& record : records) waiting_.push_back(record.release());
  bool queued = true;
  if (!handOverQueued_) {
    // Under the lock: thread_ is closed when another registration replaces it.
    queued = QueueUserAPC(HandOver, thread_, generation) != 0;
    handOverQueued_ = queued;
  }
  std::deque<TOutgoingRecord*> dropped;
  if (!queued) dropped = TakeWaiting();  // the registered thread has ended
  LeaveCriticalSection(&lock_);
  for (TOutgoingRecord* record : dropped) delete record;
  return queued;
}

void CALLBACK TRecordDelivery::HandOver(ULONG_PTR parameter) {
  const uint32_t generation = static_cast<uint32_t>(parameter);
  TRecordDelivery& delivery = Delivery();
  for (size_t handed = 0;; ++handed) {
    EnterCriticalSection(&delivery.lock_);
    // Asked for every record: the routine may have removed itself (or a
    // new registration may stand) since the one before.
    if (generation != delivery.generation_) {
      LeaveCriticalSection(&delivery.lock_);
      return;
    }
    if (delivery.waiting_.empty()) {
      delivery.handOverQueued_ = false;
      LeaveCriticalSection(&delivery.lock_);
      return;
    }
    if (handed == kMostPerHandOver && QueueUserAPC(HandOver, delivery.thread_, parameter)) {
      LeaveCriticalSection(&delivery.lock_);
      return;  // the rest in the next one
    }
    TOutgoingRecord* next = delivery.waiting_.front();
    delivery.waiting_.pop_front();
    delivery.delivered_.insert(next);
    const TChangeRoutine routine = delivery.routine_;
    LeaveCriticalSection(&delivery.lock_);
    routine(&next->Record);
  }
}

void TRecordDelivery::Release(const void* address) {
  EnterCriticalSection(&lock_);
  // Only a record in the program's hands can be given back: one still
  // waiting has not been delivered, and any other address was never ours.
  const bool ours = delivered_.erase(address) != 0;
  const bool room = ours && RoomFreed();
  LeaveCriticalSection(&lock_);
  if (ours) delete static_cast<TOutgoingRecord*>(const_cast<void*>(address));
  if (room) SetEvent(room_);
}

bool TRecordDelivery::Spellings(const void* address, THostSpellings& spellings) {
  EnterCriticalSection(&lock_);
  // Read under the lock: a release on another thread may free the record.
  const bool ours = delivered_.count(address) != 0;
  if (ours) spellings = static_cast<const TOutgoingRecord*>(address)->Spellings;
  LeaveCriticalSection(&lock_);
  return ours;
}

TRecordDelivery& Delivery() {
  static TRecordDelivery delivery;
  return delivery;
}
