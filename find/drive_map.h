// The fixed drives of the running program and their host folders, as it
// wrote them into the channel's "drives" file: host folders to drive
// paths for the pattern, and back for the output.
#pragma once

#include <string>
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
