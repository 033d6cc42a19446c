// The driver's record delivery, built natively against a stand-in for the
// few Win32 calls it makes: a reader queues batches of records while the
// registered thread takes them in its alertable waits and gives them back,
// keeps many of them (up to the driver's limit, where the reader must wait
// for room and go on once there is some), or removes its routine from
// inside it. Every record must arrive once, in order, on that thread, stay
// intact until given back, and none after the removal.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "record_delivery.h"

namespace {

constexpr long kRecordsPerRound = 60000;
// Below the driver's limit of 100,000 records held or waiting: a program
// that keeps this many must still get more.
constexpr size_t kKeptAtMost = 99000;

struct TRound {
  bool Keep = false;      // keep records until kKeptAtMost are held
  long RemoveAt = -1;     // the routine removes itself on this record
  std::thread::id Owner;
  std::atomic<bool> Removed{false};
  long Last = -1;
  long Received = 0;
  std::vector<std::string> Faults;
  std::vector<std::pair<TChangeRecord*, long>> Held;
};
TRound* Current = nullptr;

std::string NameOf(long number) { return "D:\\F" + std::to_string(number) + ".TXT"; }

void GiveBack(TRound& round) {
  for (const auto& [record, number] : round.Held) {
    if (record->Path != NameOf(number) || record->EventCode != 36) {
      round.Faults.push_back("record " + std::to_string(number) + " changed before it was given back");
    }
    Delivery().Release(record);
  }
  round.Held.clear();
}

uint32_t __stdcall Routine(TChangeRecord* record) {
  TRound& round = *Current;
  if (std::this_thread::get_id() != round.Owner) round.Faults.push_back("a record arrived on another thread");
  if (round.Removed) round.Faults.push_back("a record arrived after the routine was removed");
  const long number = std::stol(std::string(record->Path).substr(4));
  if (number != round.Last + 1) {
    round.Faults.push_back("record " + std::to_string(number) + " after " + std::to_string(round.Last));
  }
  round.Last = number;
  ++round.Received;
  round.Held.emplace_back(record, number);
  if (!round.Keep || round.Held.size() >= kKeptAtMost) GiveBack(round);
  if (number == round.RemoveAt) {
    Delivery().Unregister();
    round.Removed = true;
  }
  return 0;
}

TRecordBatch MakeBatch(long first, long count) {
  TRecordBatch batch;
  for (long i = 0; i < count; ++i) batch.push_back(std::make_unique<TOutgoingRecord>(36, 0, NameOf(first + i), ""));
  return batch;
}

TEST(RecordDeliveryTest, EveryRecordArrivesOnceInOrderAndNoneAfterTheRoutineIsRemoved) {
  std::mt19937 random(96);
  struct TCase {
    bool Keep;
    bool Remove;
  };
  const TCase cases[] = {{false, false}, {true, false}, {false, true}, {true, true},
                         {false, false}, {true, false}, {false, true}, {true, true}};
  for (const TCase& test : cases) {
    SCOPED_TRACE(std::string(test.Keep ? "keeping" : "giving back at once") +
                 (test.Remove ? ", removed midway" : ""));
    TRound round;
    round.Keep = test.Keep;
    round.RemoveAt = test.Remove ? static_cast<long>(random() % kRecordsPerRound) : -1;
    Current = &round;
    HANDLE abandon = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::atomic<uint32_t> generation{0};
    std::atomic<bool> registered{false};
    // Each round on a thread of its own: HandOvers still queued to an
    // earlier one must never run the routine elsewhere.
    std::thread program([&] {
      round.Owner = std::this_thread::get_id();
      if (!Delivery().Register(&Routine)) round.Faults.push_back("the registration was refused");
      if (Delivery().Register(&Routine)) round.Faults.push_back("a second registration was accepted");
      generation = Delivery().Generation();
      registered = true;
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
      while (!round.Removed && round.Received < kRecordsPerRound && std::chrono::steady_clock::now() < deadline) {
        AlertableWait(20);
      }
      if (!round.Removed) Delivery().Unregister();
      GiveBack(round);  // kept records stay valid after the removal too
      int never = 0;
      Delivery().Release(&never);
      AlertableWait(5);  // whatever is still queued here hands over nothing
    });
    while (!registered) std::this_thread::yield();
    std::thread reader([&] {
      for (long made = 0; made < kRecordsPerRound;) {
        const long count = std::min<long>(kRecordsPerRound - made, 1 + random() % 700);
        TRecordBatch batch = MakeBatch(made, count);
        if (!Delivery().Deliver(generation, batch, abandon)) break;
        made += count;
      }
    });
    program.join();
    SetEvent(abandon);
    reader.join();
    EXPECT_EQ(round.Received, test.Remove ? round.RemoveAt + 1 : kRecordsPerRound);
    EXPECT_TRUE(round.Faults.empty()) << round.Faults.size() << " faults, the first: " << round.Faults.front();
  }
  Current = nullptr;
}

TEST(RecordDeliveryTest, RecordsQueuedWhileTheThreadIsBusyArriveInOneApc) {
  TRound round;
  round.Owner = std::this_thread::get_id();
  Current = &round;
  ASSERT_TRUE(Delivery().Register(&Routine));
  HANDLE abandon = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  for (long first = 0; first < 1000; first += 100) {
    TRecordBatch batch = MakeBatch(first, 100);
    ASSERT_TRUE(Delivery().Deliver(Delivery().Generation(), batch, abandon));
  }
  EXPECT_EQ(AlertableWait(1000), 1);
  EXPECT_EQ(round.Received, 1000);
  EXPECT_EQ(AlertableWait(0), 0);
  Delivery().Unregister();
  EXPECT_TRUE(round.Faults.empty()) << round.Faults.front();
  Current = nullptr;
}

TEST(RecordDeliveryTest, AnApcQueuedForARemovedRegistrationHandsOverNothing) {
  // Registered on this thread, a record queued, the registration removed
  // before this thread waited; then another thread registers and gets
  // records. This thread's APC still runs when it waits, and must leave
  // them to the other.
  TRound round;
  Current = &round;
  HANDLE abandon = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  ASSERT_TRUE(Delivery().Register(&Routine));
  TRecordBatch lost = MakeBatch(0, 1);
  ASSERT_TRUE(Delivery().Deliver(Delivery().Generation(), lost, abandon));
  Delivery().Unregister();
  std::atomic<int> stage{0};
  std::thread other([&] {
    round.Owner = std::this_thread::get_id();
    if (!Delivery().Register(&Routine)) round.Faults.push_back("the registration was refused");
    TRecordBatch batch = MakeBatch(0, 10);
    Delivery().Deliver(Delivery().Generation(), batch, abandon);
    stage = 1;
    while (stage != 2) std::this_thread::yield();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (round.Received < 10 && std::chrono::steady_clock::now() < deadline) AlertableWait(20);
    Delivery().Unregister();
  });
  while (stage != 1) std::this_thread::yield();
  EXPECT_EQ(AlertableWait(1000), 1);
  stage = 2;
  other.join();
  EXPECT_EQ(round.Received, 10);
  EXPECT_TRUE(round.Faults.empty()) << round.Faults.front();
  Current = nullptr;
}

}  // namespace
