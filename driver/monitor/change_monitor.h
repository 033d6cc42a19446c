// Turns inotify events into the driver's records, keeping the picture of
// the watched directories right across renames, moves in and out, removals
// and the kernel's queue overflow.
//
// Names that begin with "." are outside the picture, as they are outside the
// database's scan: they are neither reported nor entered, and a move to or
// from such a name is a removal or a creation.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "record_writer.h"
#include "watch_tree.h"

class TChangeMonitor {
 public:
  TChangeMonitor(int inotifyFd, TWatchTree& tree);
  // Where the records go; set before the first event is handled.
  void SetOutput(TRecordWriter& out) { out_ = &out; }

  // Watches every directory of the folder, reporting nothing. False when
  // the folder itself cannot be watched.
  bool WatchAll();
  int Fd() const { return inotify_; }
  void HandleEvents(const char* buffer, size_t length);
  // A move whose second half has not come by now went out of sight.
  bool HasPendingMoves() const { return !pendingMoves_.empty(); }
  void FlushPendingMoves();
  // After each read of the queue: a move still unpaired after a further
  // read went out of sight.
  void EndOfBatch();
  // Directories the kernel refused a watch for (the user's limit of
  // watches): tried again, and reported afresh once watched.
  bool HasUnwatched() const { return unwatched_ > 0; }
  void RetryUnwatched();

 private:
  struct TEvent {
    int Descriptor;
    uint32_t Mask;
    uint32_t Cookie;
    std::string Name;
  };
  struct TPendingMove {
    uint32_t Cookie;
    int ParentDescriptor;
    std::string Name;
    bool Directory;
    bool Waited;
  };

  void HandleEvent(const TEvent& event);
  // Whether a node lies in a directory whose move has not been settled yet.
  bool InPendingMove(const TWatchNode* node) const;
  void GoneOutOfSight(const std::vector<TPendingMove>& moves);
  // Events held back while their directory's move was unsettled, handled
  // now: under its new name, or dropped when it went out of sight.
  void ReplayHeldEvents();
  void Created(TWatchNode* parent, const std::string& name, bool directory);
  void Deleted(TWatchNode* parent, const std::string& name, bool directory);
  void MovedTo(TWatchNode* parent, const std::string& name, bool directory, uint32_t cookie);
  // A directory or file that went out of sight, with everything below it.
  void WentAway(TWatchNode* parent, const std::string& name, bool directory, bool stillExists);
  // A directory that came into sight: watched, then walked, every entry
  // reported as created.
  void CameIn(TWatchNode* parent, const std::string& name);

  bool Watch(TWatchNode* node);
  // Walks a watched directory and everything below it. With Report, every
  // entry met is reported as created.
  void Walk(TWatchNode* top, bool report);
  // Reports the subtree afresh after events were lost: every directory and
  // file as created, a wildcard delete for every directory, and every
  // directory that went as removed.
  void Resync(TWatchNode* top);
  void RemoveWatches(const std::vector<int>& descriptors);

  // Spellings of the name in the parent, of that kind, as the parent's
  // index holds them now (the record's count, capped).
  static uint8_t Spellings(const TWatchNode* parent, const std::string& name, bool directory);
  void Report(uint8_t eventCode, uint8_t subCode, const std::string& relative, uint8_t spellings,
              const std::string& newRelative = std::string(),
              uint8_t newSpellings = monitor_protocol::kSpellingsUnknown);

  int inotify_;
  TWatchTree& tree_;
  TRecordWriter* out_ = nullptr;
  std::vector<TPendingMove> pendingMoves_;
  std::vector<TEvent> heldEvents_;
  size_t unwatched_ = 0;
};
