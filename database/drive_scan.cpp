#include "drive_scan.h"

#include <algorithm>
#include <string>
#include <vector>

#include "database_host.h"
#include "directory_tree.h"
#include "exceptions.h"
#include "memory_db.h"

double ScanTotalKB = 1;
double ScanDoneKB = 0;
int64_t ClusterSize = 0;

namespace {

constexpr unsigned kBytesPerKB = 1024;
constexpr int kFullProgress = 100;

std::string DriveName(char letter) { return std::string(1, letter) + ":"; }

bool DriveIsFixed(TDatabaseHost& host, const std::string& rootPath) {
  return host.DriveType(rootPath) == kDriveFixed;
}

double UsedKB(const TDiskSpace& space) {
  // A free count above the total can only be a wrong answer; it counts as
  // nothing used rather than as an enormous wrapped-around figure.
  if (space.FreeClusters >= space.TotalClusters) return 0;
  const double usedClusters = static_cast<double>(space.TotalClusters - space.FreeClusters);
  return usedClusters * space.SectorsPerCluster * space.BytesPerSector / kBytesPerKB;
}

// The bar follows the share of the tree already walked. The free-space
// figures cannot give it: under Wine's Windows 95 mode GetDiskFreeSpaceA
// caps both cluster counts, so the used space reads 0, and a drive that is
// a host folder reports the whole host file system's use, not the folder's.
// So each fixed drive has an equal share of the bar; a directory's share is
// divided equally among the subdirectories the walk enters, once its listing
// is read; a directory without such subdirectories adds its whole share when
// it is done. The position is the sum so far, truncated, set once per
// directory as its walk ends: it only grows, and reaches 100 as the last
// directory ends.
class TScanProgress {
 public:
  explicit TScanProgress(TDatabaseHost& host) : host_(host) {}

  void DirectoryDone(double unsharedPart) {
    done_ += unsharedPart;
    // Thirds and the like do not add up exactly in binary: three thirds of
    // a quarter must read 25, not 24.
    int position = static_cast<int>(done_ * kFullProgress + 1e-9);
    if (position > kFullProgress) position = kFullProgress;
    if (position < last_) position = last_;
    last_ = position;
    host_.SetProgress(position);
  }
  // The walk of every drive has ended: whatever the fractions left out.
  void WalkEnded() {
    if (last_ >= 0 && last_ < kFullProgress) {
      last_ = kFullProgress;
      host_.SetProgress(kFullProgress);
    }
  }

 private:
  TDatabaseHost& host_;
  double done_ = 0;
  int last_ = -1;  // nothing set yet
};

bool Walked(const TFoundEntry& entry) {
  return !entry.Name.empty() && entry.Name[0] != '.' && entry.Name.size() <= kMaxNameLength &&
         (entry.Attributes & kAttributeDirectory) && !(entry.Attributes & kAttributeReparsePoint);
}

// Enumerates the directory path (ending with "\") into node, depth first.
// Called with the database lock held; each open enumeration is owned by its
// level of the recursion, so a cancel closes every one of them. The listing
// is read whole before anything of it is added (the share of each
// subdirectory needs their number); the enumeration stays open until the
// directory is done, one per level as before.
void WalkDirectory(TDatabaseHost& host, TDDList& list, const std::string& path,
                   TDirectoryRecord* node, double share, TScanProgress& progress) {
  std::vector<TFoundEntry> listing;
  const std::unique_ptr<TDirectoryEnumeration> enumeration = host.FindFirst(path + "*.*");
  if (enumeration) {
    TFoundEntry entry;
    while (enumeration->Next(entry)) {
      host.ProcessMessages();
      if (host.TerminateRequested()) throw ETerminate();
      ScanDoneKB += ClusterRoundedSize(entry.SizeLow, ClusterSize) / kBytesPerKB;
      listing.push_back(entry);
    }
  }
  const size_t subdirectories =
      static_cast<size_t>(std::count_if(listing.begin(), listing.end(), Walked));
  const double subdirectoryShare = subdirectories ? share / subdirectories : 0;

  for (const TFoundEntry& entry : listing) {
    if (entry.Name.empty() || entry.Name[0] == '.') continue;
    // The database file cannot hold a longer name, and the platform does
    // not make one; such an entry is left out rather than making the whole
    // database unsavable.
    if (entry.Name.size() > kMaxNameLength) continue;

    std::string storedName = entry.Name;
    host.UpperCase(storedName);
    if (entry.Attributes & kAttributeDirectory) {
      TDirectoryRecord* child = list.AddNode(storedName, node);
      // A reparse point (a symbolic link on the host) may lead back to an
      // ancestor and make the walk endless: it is recorded, not entered.
      if (Walked(entry)) {
        WalkDirectory(host, list, path + entry.Name + "\\", child, subdirectoryShare, progress);
      }
    } else {
      list.AddEntry(storedName, node);
    }
  }
  progress.DirectoryDone(subdirectories ? 0 : share);
}

}  // namespace

double ClusterRoundedSize(uint32_t size, int64_t clusterSize) {
  if (clusterSize <= 0) return size;
  const uint64_t cluster = static_cast<uint64_t>(clusterSize);
  const uint64_t clusters = (static_cast<uint64_t>(size) + cluster - 1) / cluster;
  return static_cast<double>(clusters * cluster);
}

bool TMemoryDB::ScanDrives(const std::string& fileName) {
  {
    TLockGuard guard(*Lock);
    FileName = fileName;
  }
  ScanTotalKB = 1;
  ScanDoneKB = 0;
  // Without this a drive that does not answer the free-space query at the
  // start of a rescan would be measured with the cluster size of whatever
  // drive the previous scan ended on.
  ClusterSize = 0;

  // A drive that became fixed between the two passes still gets a share;
  // the bar then stops at 100 a little early.
  int fixedDrives = 0;
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    const std::string rootPath = DriveName(letter) + "\\";
    TDiskSpace space;
    if (!DriveIsFixed(Host, rootPath)) continue;
    ++fixedDrives;
    if (Host.DiskFreeSpace(rootPath, space)) ScanTotalKB += UsedKB(space);
  }

  TScanProgress progress(Host);

  {
    TLockGuard guard(*Lock);
    // The rows point into the old tree: they go first, then the tree.
    std::vector<TFileRecord*>().swap(ResultFiles);
    std::vector<TDirectoryRecord*>().swap(ResultDirs);
    DirList = std::make_unique<TDDList>();

    for (char letter = 'A'; letter <= 'Z'; ++letter) {
      const std::string driveName = DriveName(letter);
      const std::string rootPath = driveName + "\\";
      if (!DriveIsFixed(Host, rootPath)) continue;
      TDiskSpace space;
      if (Host.DiskFreeSpace(rootPath, space)) {
        ClusterSize = static_cast<int64_t>(space.BytesPerSector) * space.SectorsPerCluster;
      }
      TDirectoryRecord* root = DirList->AddNode(driveName, nullptr);
      WalkDirectory(Host, *DirList, rootPath, root, 1.0 / std::max(fixedDrives, 1), progress);
    }
    progress.WalkEnded();
    DirList->FitSummaries();
  }

  // A failed save leaves the new tree in memory and the old file as it was
  // left by the failure; the scan's result is the tree either way.
  SaveToFile();
  return true;
}
