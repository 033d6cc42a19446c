#include "change_monitor.h"

#include <sys/inotify.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <set>

#include "directory_reader.h"

namespace mp = monitor_protocol;

namespace {

constexpr uint32_t kWatchMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ONLYDIR |
                                IN_DONT_FOLLOW | IN_EXCL_UNLINK;

bool Visible(const std::string& name) { return !name.empty() && name[0] != '.'; }

std::string Joined(const std::string& parent, const std::string& name) {
  return parent.empty() ? name : parent + "/" + name;
}

}  // namespace

TChangeMonitor::TChangeMonitor(int inotifyFd, TWatchTree& tree) : inotify_(inotifyFd), tree_(tree) {}

uint8_t TChangeMonitor::Spellings(const TWatchNode* parent, const std::string& name, bool directory) {
  const size_t count = parent->Names.Count(name, directory);
  return static_cast<uint8_t>(count < mp::kMostSpellings ? count : mp::kMostSpellings);
}

void TChangeMonitor::Report(uint8_t eventCode, uint8_t subCode, const std::string& relative, uint8_t spellings,
                            const std::string& newRelative, uint8_t newSpellings) {
  out_->Add(eventCode, subCode, tree_.RootIndex(), relative, newRelative, spellings, newSpellings);
}

bool TChangeMonitor::Watch(TWatchNode* node) {
  const int descriptor = inotify_add_watch(inotify_, tree_.HostPath(node).c_str(), kWatchMask);
  if (descriptor >= 0) {
    tree_.SetDescriptor(node, descriptor);
    return true;
  }
  // Beyond the user's limit of watches the directory is still reported,
  // and watched as soon as watches are given back.
  if (errno == ENOSPC || errno == ENOMEM) {
    if (unwatched_++ == 0) {
      std::fprintf(stderr, "velkoro-monitor: out of inotify watches (fs.inotify.max_user_watches) at %s\n",
                   tree_.HostPath(node).c_str());
    }
  }
  return false;
}

bool TChangeMonitor::WatchAll() {
  if (!Watch(tree_.Root())) {
    std::fprintf(stderr, "velkoro-monitor: cannot watch %s: %s\n", tree_.Folder().c_str(), std::strerror(errno));
    return false;
  }
  Walk(tree_.Root(), false);
  return true;
}

void TChangeMonitor::Walk(TWatchNode* top, bool report) {
  std::vector<TWatchNode*> pending{top};
  std::vector<TDirectoryEntry> entries;
  while (!pending.empty()) {
    TWatchNode* node = pending.back();
    pending.pop_back();
    // The watch comes first, the listing second: an entry made in between
    // is then reported twice, never lost.
    if (node != top && node->Descriptor < 0) Watch(node);
    if (!ReadDirectory(tree_.HostPath(node), entries)) continue;
    node->Names.Assign(entries);
    const std::string base = tree_.RelativePath(node);
    for (const TDirectoryEntry& entry : entries) {
      if (entry.Kind == TEntryKind::File) {
        if (report) Report(mp::kFileCreated, 0, Joined(base, entry.Name), Spellings(node, entry.Name, false));
        continue;
      }
      TWatchNode* existing = tree_.Child(node, entry.Name);
      const bool link = entry.Kind == TEntryKind::DirectoryLink;
      // Met again under a parent already walked (an entry made while the
      // parent was being walked): nothing new below it.
      const bool known = existing && existing->Link == link && (link || existing->Descriptor >= 0);
      if (report) {
        Report(mp::kDirectory, mp::kDirectoryCreated, Joined(base, entry.Name), Spellings(node, entry.Name, true));
      }
      if (known) continue;
      TWatchNode* child = tree_.AddChild(node, entry.Name, link);
      if (!link) pending.push_back(child);
    }
  }
}

void TChangeMonitor::RemoveWatches(const std::vector<int>& descriptors) {
  for (int descriptor : descriptors) inotify_rm_watch(inotify_, descriptor);
}

void TChangeMonitor::CameIn(TWatchNode* parent, const std::string& name) {
  TWatchNode* existing = tree_.Child(parent, name);
  parent->Names.Add(name, true);
  Report(mp::kDirectory, mp::kDirectoryCreated, tree_.ChildRelativePath(parent, name), Spellings(parent, name, true));
  if (existing && !existing->Link && existing->Descriptor >= 0) return;  // walked already
  TWatchNode* node = tree_.AddChild(parent, name, false);
  // Without a watch (beyond the user's limit) it is still walked and
  // reported; it is watched when watches are given back.
  Watch(node);
  Walk(node, true);
}

void TChangeMonitor::Created(TWatchNode* parent, const std::string& name, bool directory) {
  if (directory) {
    CameIn(parent, name);
    return;
  }
  // A symbolic link to a directory is created as a plain entry; it is shown
  // as the directory it points to.
  TEntryKind kind = TEntryKind::File;
  const std::string relative = tree_.ChildRelativePath(parent, name);
  if (EntryKind(tree_.HostPath(parent) + "/" + name, kind) && kind != TEntryKind::File) {
    if (kind == TEntryKind::Directory) {
      CameIn(parent, name);  // replaced by a directory since
    } else {
      tree_.AddChild(parent, name, true);
      parent->Names.Add(name, true);
      Report(mp::kDirectory, mp::kDirectoryCreated, relative, Spellings(parent, name, true));
    }
    return;
  }
  parent->Names.Add(name, false);
  Report(mp::kFileCreated, 0, relative, Spellings(parent, name, false));
}

void TChangeMonitor::WentAway(TWatchNode* parent, const std::string& name, bool directory,
                              bool stillExists) {
  const std::string relative = tree_.ChildRelativePath(parent, name);
  if (auto node = tree_.Detach(parent, name)) {
    std::vector<int> descriptors = tree_.ReleaseDescriptors(node.get());
    // A directory moved out of sight still exists, watched: its watches are
    // given back so that nothing more is heard from it.
    if (stillExists) RemoveWatches(descriptors);
    directory = true;
  }
  parent->Names.Remove(name, directory);
  Report(directory ? mp::kDirectory : mp::kFileDeleted, directory ? mp::kDirectoryRemoved : 0, relative,
         Spellings(parent, name, directory));
}

void TChangeMonitor::Deleted(TWatchNode* parent, const std::string& name, bool directory) {
  WentAway(parent, name, directory, false);
}

void TChangeMonitor::MovedTo(TWatchNode* parent, const std::string& name, bool directory,
                             uint32_t cookie) {
  TPendingMove from{};
  bool paired = false;
  for (auto it = pendingMoves_.begin(); it != pendingMoves_.end(); ++it) {
    if (it->Cookie == cookie) {
      from = *it;
      pendingMoves_.erase(it);
      paired = true;
      break;
    }
  }
  TWatchNode* oldParent = paired ? tree_.ByDescriptor(from.ParentDescriptor) : nullptr;
  const bool fromVisible = oldParent && Visible(from.Name);
  const bool toVisible = Visible(name);

  if (fromVisible && toVisible) {
    const std::string oldRelative = tree_.ChildRelativePath(oldParent, from.Name);
    const std::string newRelative = tree_.ChildRelativePath(parent, name);
    auto node = tree_.Detach(oldParent, from.Name);
    // The indexes change before anything is reported: each record carries
    // the spellings right after the move.
    const bool movedDirectory = node || directory;
    oldParent->Names.Remove(from.Name, movedDirectory);
    parent->Names.Add(name, movedDirectory);
    const uint8_t oldSpellings = Spellings(oldParent, from.Name, movedDirectory);
    const uint8_t newSpellings = Spellings(parent, name, movedDirectory);
    if (node) {
      TWatchNode* moved = node.get();
      tree_.Attach(parent, name, std::move(node));
      Report(mp::kRenamed, 0, oldRelative, oldSpellings, newRelative, newSpellings);
      if (moved->Link) return;
      // The program applies a rename only while the new name still exists;
      // a directory renamed again before that keeps its old name there. The
      // removal of the old name and the new name reported afresh bring the
      // database to the disk's state either way (and cost nothing but
      // records when the rename was applied). The walk also watches what a
      // directory made and moved at once had missed.
      Report(mp::kDirectory, mp::kDirectoryRemoved, oldRelative, oldSpellings);
      Report(mp::kDirectory, mp::kDirectoryCreated, newRelative, newSpellings);
      Resync(moved);
      return;
    }
    if (directory) {
      // A directory the picture did not hold (made and moved at once):
      // the rename, and whatever is below it.
      Report(mp::kRenamed, 0, oldRelative, oldSpellings, newRelative, newSpellings);
      CameIn(parent, name);
      return;
    }
    // The program applies a rename only while the new name still exists.
    // When it has gone again by then, the removal of the old name and the
    // creation of the new one still bring the database to the disk's state:
    // the record of whatever became of the new name follows these.
    Report(mp::kRenamed, 0, oldRelative, oldSpellings, newRelative, newSpellings);
    Report(mp::kFileDeleted, 0, oldRelative, oldSpellings);
    Report(mp::kFileCreated, 0, newRelative, newSpellings);
    return;
  }
  if (fromVisible) WentAway(oldParent, from.Name, from.Directory, true);
  if (toVisible) Created(parent, name, directory);
}

void TChangeMonitor::EndOfBatch() {
  // The two halves of a move are queued together; one further read is
  // allowed for a pair that the read buffer split.
  std::vector<TPendingMove> stale;
  for (auto it = pendingMoves_.begin(); it != pendingMoves_.end();) {
    if (it->Waited) {
      stale.push_back(*it);
      it = pendingMoves_.erase(it);
    } else {
      it->Waited = true;
      ++it;
    }
  }
  GoneOutOfSight(stale);
}

void TChangeMonitor::FlushPendingMoves() {
  std::vector<TPendingMove> moves;
  moves.swap(pendingMoves_);
  GoneOutOfSight(moves);
}

void TChangeMonitor::GoneOutOfSight(const std::vector<TPendingMove>& moves) {
  for (const TPendingMove& move : moves) {
    TWatchNode* parent = tree_.ByDescriptor(move.ParentDescriptor);
    if (parent && Visible(move.Name)) WentAway(parent, move.Name, move.Directory, true);
  }
  if (!heldEvents_.empty()) ReplayHeldEvents();
}

bool TChangeMonitor::InPendingMove(const TWatchNode* node) const {
  for (const TPendingMove& move : pendingMoves_) {
    if (!move.Directory) continue;
    TWatchNode* parent = tree_.ByDescriptor(move.ParentDescriptor);
    const TWatchNode* moved = parent ? tree_.Child(parent, move.Name) : nullptr;
    if (!moved) continue;
    for (const TWatchNode* at = node; at; at = at->Parent) {
      if (at == moved) return true;
    }
  }
  return false;
}

void TChangeMonitor::ReplayHeldEvents() {
  std::vector<TEvent> held;
  held.swap(heldEvents_);
  for (const TEvent& event : held) HandleEvent(event);
}

void TChangeMonitor::HandleEvent(const TEvent& event) {
  if (event.Mask & IN_Q_OVERFLOW) {
    // Moves whose halves were lost with the queue: the walk settles them.
    pendingMoves_.clear();
    heldEvents_.clear();
    std::fprintf(stderr, "velkoro-monitor: event queue overflow, reporting %s afresh\n", tree_.Folder().c_str());
    Resync(tree_.Root());
    return;
  }
  if (event.Mask & IN_IGNORED) {
    tree_.ForgetDescriptor(event.Descriptor);
    return;
  }
  TWatchNode* parent = tree_.ByDescriptor(event.Descriptor);
  if (!parent || event.Name.empty()) return;
  // A change inside a directory whose move is not settled yet waits: it is
  // reported under the new name if the directory stays in sight, and not at
  // all if it went out of sight.
  if (!pendingMoves_.empty() && InPendingMove(parent)) {
    heldEvents_.push_back(event);
    return;
  }
  const std::string& name = event.Name;
  const bool directory = (event.Mask & IN_ISDIR) != 0;

  if (event.Mask & IN_MOVED_FROM) {
    pendingMoves_.push_back({event.Cookie, event.Descriptor, name, directory, false});
  } else if (event.Mask & IN_MOVED_TO) {
    MovedTo(parent, name, directory, event.Cookie);
    if (!heldEvents_.empty()) ReplayHeldEvents();
  } else if (!Visible(name)) {
    return;
  } else if (event.Mask & IN_CREATE) {
    Created(parent, name, directory);
  } else if (event.Mask & IN_DELETE) {
    Deleted(parent, name, directory);
  }
}

void TChangeMonitor::HandleEvents(const char* buffer, size_t length) {
  size_t offset = 0;
  while (offset + sizeof(inotify_event) <= length) {
    const auto* event = reinterpret_cast<const inotify_event*>(buffer + offset);
    HandleEvent({event->wd, event->mask, event->cookie, event->len ? std::string(event->name) : std::string()});
    offset += sizeof(inotify_event) + event->len;
  }
}

void TChangeMonitor::Resync(TWatchNode* top) {
  std::vector<TWatchNode*> pending{top};
  std::vector<TDirectoryEntry> entries;
  while (!pending.empty()) {
    TWatchNode* node = pending.back();
    pending.pop_back();
    if (node->Descriptor < 0 && !node->Link) Watch(node);
    const std::string base = tree_.RelativePath(node);
    if (!ReadDirectory(tree_.HostPath(node), entries)) entries.clear();
    node->Names.Assign(entries);

    // Files that went: the program checks each entry of the directory
    // against the disk.
    Report(mp::kFileDeleted, 0, Joined(base, "*"), mp::kSpellingsUnknown);
    std::set<std::string> directoriesOnDisk;
    for (const TDirectoryEntry& entry : entries) {
      if (entry.Kind == TEntryKind::File) {
        Report(mp::kFileCreated, 0, Joined(base, entry.Name), Spellings(node, entry.Name, false));
      } else {
        directoriesOnDisk.insert(entry.Name);
      }
    }
    // Directories that went, known from the picture.
    std::vector<std::string> gone;
    for (const auto& [name, child] : node->Children) {
      if (!directoriesOnDisk.count(name)) gone.push_back(name);
    }
    for (const std::string& name : gone) WentAway(node, name, true, true);

    for (const TDirectoryEntry& entry : entries) {
      if (entry.Kind == TEntryKind::File) continue;
      const bool link = entry.Kind == TEntryKind::DirectoryLink;
      // A directory replaced by a link to one, or the other way round.
      TWatchNode* existing = tree_.Child(node, entry.Name);
      if (existing && existing->Link != link) {
        WentAway(node, entry.Name, true, true);
        node->Names.Add(entry.Name, true);  // still there, as the other kind
      }
      Report(mp::kDirectory, mp::kDirectoryCreated, Joined(base, entry.Name), Spellings(node, entry.Name, true));
      TWatchNode* child = tree_.AddChild(node, entry.Name, link);
      if (!link) pending.push_back(child);
    }
  }
}

void TChangeMonitor::RetryUnwatched() {
  std::vector<TWatchNode*> retry;
  std::vector<TWatchNode*> pending{tree_.Root()};
  while (!pending.empty()) {
    TWatchNode* node = pending.back();
    pending.pop_back();
    if (node->Link) continue;
    if (node->Descriptor < 0) {
      retry.push_back(node);  // its subtree is walked by its resync
      continue;
    }
    for (auto& [name, child] : node->Children) pending.push_back(child.get());
  }
  unwatched_ = 0;
  for (TWatchNode* node : retry) Resync(node);
}
