#include "listing_session.h"

#include "host_program.h"
#include "whole_file.h"
#include "wine_host.h"

namespace lp = listing_protocol;

namespace {

// The reader is a small native program; under a loaded machine its start
// through Wine still takes well under this. Past it the scan goes on
// without it.
constexpr DWORD kReaderStartMs = 5000;
constexpr DWORD kReadBytes = 256 * 1024;
// Listings that came early are few while the reader's order is the scan's;
// a reader that strays this far is given up, and Wine answers for the rest.
constexpr size_t kMostEarlyBytes = 64u << 20;

std::wstring PathIn(const std::string& folder, const char* name) { return Win32PathOfHost(folder + "/" + name); }

bool WriteSmallFile(const std::wstring& path, const std::string& contents) {
  return WriteWholeFile(path, contents, CREATE_NEW) == TWholeFileWrite::Written;
}

size_t ListingBytes(const lp::TListing& listing) {
  size_t bytes = sizeof(lp::TListingHeader) + listing.Path.size();
  for (const lp::TEntry& entry : listing.Entries) bytes += sizeof(lp::TEntryHeader) + entry.Name.size();
  return bytes;
}

}  // namespace

TListingSession::TListingSession(const std::wstring& readerProgram, const std::string& hostRoot,
                                 const std::function<bool()>& whileWaiting) {
  if (!Start(readerProgram, hostRoot, whileWaiting)) Fail();
  announced_.insert(std::string());
}

bool TListingSession::Start(const std::wstring& readerProgram, const std::string& hostRoot,
                            const std::function<bool()>& whileWaiting) {
  folder_ = MakeRunFolder("velkoro-scan");
  if (folder_.empty()) return false;
  const std::wstring fifo = PathIn(folder_, lp::kListingsFifo);
  if (!WriteSmallFile(PathIn(folder_, lp::kRootFile), hostRoot) ||
      !THostProgram::Start(readerProgram, std::wstring(folder_.begin(), folder_.end())) ||
      !THostProgram::WaitUntilReady([&fifo] { return HostFileExists(fifo); }, [&] { return !whileWaiting(); },
                                    kReaderStartMs)) {
    return false;
  }
  stream_ = CreateFileW(fifo.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                        nullptr);
  // The reader writes once it sees that the stream is held.
  return stream_ != INVALID_HANDLE_VALUE && WriteSmallFile(PathIn(folder_, lp::kOpenedFile), std::string());
}

TListingSession::~TListingSession() { Fail(); }

void TListingSession::Fail() {
  failed_ = true;
  if (stream_ != INVALID_HANDLE_VALUE) CloseHandle(stream_);
  stream_ = INVALID_HANDLE_VALUE;
  early_.clear();
  announced_.clear();
  std::string().swap(pending_);
  if (folder_.empty()) return;
  for (const char* name : {lp::kRootFile, lp::kPidFile, lp::kOpenedFile, lp::kListingsFifo}) {
    DeleteFileW(PathIn(folder_, name).c_str());
  }
  RemoveDirectoryW(Win32PathOfHost(folder_).c_str());
  folder_.clear();
}

bool TListingSession::ReadListing(lp::TListing& listing) {
  for (;;) {
    const size_t used = lp::DecodeListing(pending_.data() + decoded_, pending_.size() - decoded_, listing);
    if (used == SIZE_MAX) return false;
    if (used > 0) {
      decoded_ += used;
      return true;
    }
    pending_.erase(0, decoded_);
    decoded_ = 0;
    const size_t had = pending_.size();
    pending_.resize(had + kReadBytes);
    DWORD got = 0;
    const bool read = ReadFile(stream_, &pending_[had], kReadBytes, &got, nullptr);
    pending_.resize(had + got);
    // Nothing more: the reader ended, of itself or killed, before the
    // directory the scan waits for came.
    if (!read || got == 0) return false;
  }
}

bool TListingSession::Take(const std::string& hostPath, lp::TListing& listing) {
  if (failed_ || announced_.erase(hostPath) == 0) return false;
  const auto early = early_.find(hostPath);
  if (early != early_.end()) {
    listing = std::move(early->second);
    earlyBytes_ -= ListingBytes(listing);
    early_.erase(early);
  } else {
    for (;;) {
      if (!ReadListing(listing) || listing.Status == lp::kEnd) {
        Fail();
        return false;
      }
      if (listing.Path == hostPath) break;
      earlyBytes_ += ListingBytes(listing);
      if (earlyBytes_ > kMostEarlyBytes) {
        Fail();
        return false;
      }
      std::string path = listing.Path;
      early_.emplace(std::move(path), std::move(listing));
    }
  }
  if (listing.Status != lp::kListed) return false;
  for (const lp::TEntry& entry : listing.Entries) {
    if (entry.Entered) announced_.insert(hostPath.empty() ? entry.Name : hostPath + "/" + entry.Name);
  }
  return true;
}
