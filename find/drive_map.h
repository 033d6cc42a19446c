// The fixed drives of the running program and their host folders, as it
// wrote them into the channel's "drives" file: host folders to drive
// paths for the pattern, and back for the output.
#pragma once

#include <string>
#include <utility>
#include <vector>

struct TFixedDrive {
  char Letter;
  std::string HostRoot;  // resolved, without a trailing '/' (except "/")
};

class TDriveMap {
 public:
  // False with Problem set when the file cannot be read.
  bool Load(const std::string& channelFolder, std::string& problem);

  // "D:\SRC\" for a resolved host folder inside a drive (the deepest drive
  // that holds it); empty when it lies on none.
  std::string DrivePathOf(const std::string& hostFolder) const;
  // The drive's host folder; empty for a letter that is not a fixed drive.
  const std::string& HostRoot(char letter) const;

 private:
  std::vector<TFixedDrive> drives_;
};

// The drives file, read the first time it is needed: an empty answer, the
// quickest kind, goes without reading it.
class TLazyDrives {
 public:
  explicit TLazyDrives(std::string channelFolder) : folder_(std::move(channelFolder)) {}
  // False with Problem set when the file cannot be read (the program has
  // ended, taking it).
  bool Read(std::string& problem) { return read_ || (read_ = map_.Load(folder_, problem)); }
  const TDriveMap& Map() const { return map_; }

 private:
  const std::string folder_;
  TDriveMap map_;
  bool read_ = false;
};
