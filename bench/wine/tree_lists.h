// A generated tree (bench/support/tree_generator) as two lists of relative
// host paths, one a line: its directories in pre-order, parents first, and
// its files. The run script creates them on the host, which is far quicker
// than creating 100,000 files through Wine.
#pragma once

#include <cstddef>
#include <string>

// False when a list cannot be written.
bool WriteTreeLists(size_t files, size_t directories, const std::string& directoryList,
                    const std::string& fileList);
