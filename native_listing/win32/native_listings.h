// The drive scan's listings read by a native reader on the host instead of
// through Wine's directory calls, which cost about forty microseconds an
// entry. The Win32 host asks this first for every search pattern of the
// scan: a drive's root ("X:\*.*") starts a reader for that drive; every
// later pattern of the drive is answered from it when the reader listed
// that directory and the pattern is certain to name it. nullptr means the
// caller asks Wine, which then gives what the reader would have.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "database_host.h"

class TListingSession;

using TFindFirstFunction = std::unique_ptr<TDirectoryEnumeration> (*)(const std::string& pattern);

class TNativeListings {
 public:
  // readerProgram: the Windows path of velkoro-scan-reader; findFirst: the
  // answer through Wine, for a root the reader does not list.
  TNativeListings(std::wstring readerProgram, TFindFirstFunction findFirst);
  ~TNativeListings();

  // whileWaiting runs while a reader starts and while a large listing is
  // spelt (the scan's message loop); a false from it (the user cancelled)
  // gives up the reader, or leaves the listing empty.
  std::unique_ptr<TDirectoryEnumeration> FindFirst(const std::string& pattern,
                                                   const std::function<bool()>& whileWaiting);

  // How many listings came from a reader since this was made.
  size_t ListingsServed() const { return served_; }

 private:
  std::wstring readerProgram_;
  TFindFirstFunction findFirst_;
  // The session lives as long as the root's enumeration, which the scan
  // keeps open until the drive is done: a scan that ends, however it ends,
  // ends its reader.
  std::weak_ptr<TListingSession> session_;
  char letter_ = 0;
  size_t served_ = 0;
};
