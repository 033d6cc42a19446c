// One directory's entries as the walk needs them: name and kind, from the
// directory listing's own type field, asking the file system only for
// symbolic links and for file systems that leave the type out.
#pragma once

#include <string>
#include <vector>

enum class TEntryKind { File, Directory, DirectoryLink };

struct TDirectoryEntry {
  std::string Name;
  TEntryKind Kind;
};

// False when the directory cannot be read (it is gone, or not readable).
bool ReadDirectory(const std::string& hostPath, std::vector<TDirectoryEntry>& entries);
// The kind of one entry by its full host path; false when it is gone.
bool EntryKind(const std::string& hostPath, TEntryKind& kind);
