#include "drive_scan.h"

#include <string>

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

// Rounding the sizes up to clusters can add up to more than the used space
// the free-space query reported; the bar then stays full instead of
// overflowing. ScanDoneKB only grows and ScanTotalKB is fixed for the walk,
// so the position never moves backwards.
int ProgressPosition() {
  const double percent = ScanDoneKB / ScanTotalKB * kFullProgress;
  return percent >= kFullProgress ? kFullProgress : static_cast<int>(percent);
}

// Enumerates the directory path (ending with "\") into node, depth first.
// Called with the database lock held; each open enumeration is owned by its
// level of the recursion, so a cancel closes every one of them.
void WalkDirectory(TDatabaseHost& host, TDDList& list, const std::string& path,
                   TDirectoryRecord* node) {
  if (std::unique_ptr<TDirectoryEnumeration> enumeration = host.FindFirst(path + "*.*")) {
    TFoundEntry entry;
    while (enumeration->Next(entry)) {
      host.ProcessMessages();
      if (host.TerminateRequested()) throw ETerminate();
      ScanDoneKB += ClusterRoundedSize(entry.SizeLow, ClusterSize) / kBytesPerKB;

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
        if (!(entry.Attributes & kAttributeReparsePoint)) {
          WalkDirectory(host, list, path + entry.Name + "\\", child);
        }
      } else {
        list.AddEntry(storedName, node);
      }
    }
  }
  host.SetProgress(ProgressPosition());
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

  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    const std::string rootPath = DriveName(letter) + "\\";
    TDiskSpace space;
    if (DriveIsFixed(Host, rootPath) && Host.DiskFreeSpace(rootPath, space)) {
      ScanTotalKB += UsedKB(space);
    }
  }

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
      WalkDirectory(Host, *DirList, rootPath, root);
    }
    DirList->FitSummaries();
  }

  // A failed save leaves the new tree in memory and the old file as it was
  // left by the failure; the scan's result is the tree either way.
  SaveToFile();
  return true;
}
