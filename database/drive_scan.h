// The full scan of the fixed drives (TMemoryDB::ScanDrives) and its
// program-wide byte figures. The splash panel's progress bar follows the
// share of the tree walked, not these (drive_scan.cpp says why).
#pragma once

#include <cstdint>

// 1 plus the used space of all fixed drives, in kilobytes (1024 bytes).
extern double ScanTotalKB;
// The cluster-rounded sizes of all entries enumerated so far, in kilobytes.
extern double ScanDoneKB;
// Bytes per cluster of the drive being walked; 0 until a drive answers the
// free-space query during the current scan.
extern int64_t ClusterSize;

// The smallest multiple of clusterSize that is not below size (0 for 0).
// With no cluster size known (0 or less) the size counts as it is.
double ClusterRoundedSize(uint32_t size, int64_t clusterSize);
