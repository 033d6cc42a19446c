// A folder of the test's own on the host, outside the Wine prefix, that test
// drives are defined over. Files are made through Win32 (so non-ASCII names
// in the Windows code page reach the host as Wine stores them); what Win32
// cannot make under Wine - symbolic links, permissions, paths beyond MAX_PATH
// - is made by a host shell command.
#pragma once

#include <string>

class THostFolder {
 public:
  // A new empty folder under $TMPDIR (else /tmp).
  THostFolder();
  // Removes the folder and everything below it, links not followed.
  ~THostFolder();
  THostFolder(const THostFolder&) = delete;
  THostFolder& operator=(const THostFolder&) = delete;

  // Host path of the folder, or of a path below it ("a/b", '/' or '\'
  // separated, in the Windows code page).
  const std::string& HostPath() const { return hostPath_; }
  std::string HostPath(const std::string& relative) const;
  // The same place as Win32 reaches it without a drive letter (\\?\unix\...).
  std::string Win32Path(const std::string& relative = "") const;

  void MakeDirectory(const std::string& relative) const;
  // An empty file, its directory levels made as needed.
  void MakeFile(const std::string& relative) const;
  void Remove(const std::string& relative) const;
  void Rename(const std::string& from, const std::string& to) const;

  // Runs a host shell command and waits, with a bound, until it has
  // succeeded; throws when it fails or does not finish in time. The command
  // must not contain double quotes; quote host paths with single quotes.
  void Shell(const std::string& command) const;

 private:
  std::string hostPath_;
};

// A host path in single quotes for a shell command.
std::string ShellQuoted(const std::string& hostPath);

// Whether this process may read any directory whatever its permissions (the
// host's root user): then permissions cannot make a directory unreadable.
bool HostIgnoresPermissions();
