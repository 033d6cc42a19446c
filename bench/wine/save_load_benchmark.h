// SaveToFile and LoadFromFile of a generated database of 1,000,000 files in
// 100,000 directories (the native file benchmark's tree), under Wine, with
// the product's Win32 host: the checksum goes through the settings store,
// so the key Velkoro\Settings must exist.
#pragma once

#include <string>

// Records the median save and load times, the file size and the bytes per
// name for PrintFigures; false when a save or a load fails. The file is
// removed at the end.
bool RunSaveLoadBenchmark(int runs, const std::string& databaseFile);
