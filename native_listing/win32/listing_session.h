// One drive's native reader, as the scan of that drive sees it: starts
// velkoro-scan-reader over the drive's host folder, and hands out the
// directory listings it streams, in whatever order the scan asks for them.
// A listing the scan asks for later than the reader sent it waits here; a
// directory the reader did not list, or any fault of the stream, leaves
// that directory (and after a fault, the rest of the drive) to Wine.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "listing_protocol.h"

class TListingSession {
 public:
  // Starts the reader and waits, calling whileWaiting, until it is ready or
  // whileWaiting says to stop; Started() tells whether it is.
  TListingSession(const std::wstring& readerProgram, const std::string& hostRoot,
                  const std::function<bool()>& whileWaiting);
  // Closes the stream, which ends the reader, and removes its folder.
  ~TListingSession();
  TListingSession(const TListingSession&) = delete;
  TListingSession& operator=(const TListingSession&) = delete;

  bool Started() const { return stream_ != INVALID_HANDLE_VALUE; }

  // The listing of the directory at hostPath ("" for the root, else its
  // '/'-separated host path below the root), when the reader listed it;
  // false when Wine must answer for it.
  bool Take(const std::string& hostPath, listing_protocol::TListing& listing);

 private:
  bool Start(const std::wstring& readerProgram, const std::string& hostRoot,
             const std::function<bool()>& whileWaiting);
  bool ReadListing(listing_protocol::TListing& listing);
  void Fail();

  std::string folder_;  // the reader's private folder, as the host names it
  HANDLE stream_ = INVALID_HANDLE_VALUE;
  bool failed_ = false;
  std::string pending_;  // bytes read from the stream and not yet decoded
  size_t decoded_ = 0;   // of pending_
  // Directories the reader said it would list, not yet asked for.
  std::unordered_set<std::string> announced_;
  // Listings that came before the scan asked for them.
  std::unordered_map<std::string, listing_protocol::TListing> early_;
  size_t earlyBytes_ = 0;
};
