// The drive scan (TMemoryDB::ScanDrives) against the bare FindFirstFileA
// walk of the same drives, in the same run and on the same tree: rounds of
// the walk and the scan, with two more scans to explain the difference - one
// without the message pump and one whose pump runs at most every 10 ms -
// each round in a different order, so that drift on a shared machine falls
// on all of them alike.
#pragma once

#include <string>

// Records the figures (entries per second of each, the scan's overhead over
// the walk) for PrintFigures. False, with the reason on stderr, when there
// is no fixed drive or when a scan's tree does not hold exactly what the
// walk counted: then the two did not walk the same thing.
bool RunScanBenchmark(int rounds, const std::string& databaseFile);
