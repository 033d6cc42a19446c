#include "native_listings.h"

#include <windows.h>

#include <cctype>
#include <utility>
#include <vector>

#include "listing_session.h"
#include "wine_host.h"
#include "wine_spelling.h"

namespace lp = listing_protocol;

namespace {

constexpr char kWildcard[] = "\\*.*";
constexpr size_t kRootPatternLength = 6;  // "X:\*.*"

class TListedEnumeration : public TDirectoryEnumeration {
 public:
  TListedEnumeration(std::vector<TFoundEntry> entries, std::shared_ptr<TListingSession> session)
      : entries_(std::move(entries)), session_(std::move(session)) {}
  bool Next(TFoundEntry& entry) override {
    if (next_ == entries_.size()) return false;
    entry = std::move(entries_[next_++]);
    return true;
  }

 private:
  std::vector<TFoundEntry> entries_;
  size_t next_ = 0;
  std::shared_ptr<TListingSession> session_;
};

// Wine's own enumeration of a root, holding the drive's session all the
// same: its subdirectories may still come from the reader.
class TSessionHoldingEnumeration : public TDirectoryEnumeration {
 public:
  TSessionHoldingEnumeration(std::unique_ptr<TDirectoryEnumeration> inner, std::shared_ptr<TListingSession> session)
      : inner_(std::move(inner)), session_(std::move(session)) {}
  bool Next(TFoundEntry& entry) override { return inner_->Next(entry); }

 private:
  std::unique_ptr<TDirectoryEnumeration> inner_;
  std::shared_ptr<TListingSession> session_;
};

bool DriveLetterPattern(const std::string& pattern) {
  return pattern.size() >= kRootPatternLength && std::isalpha(static_cast<unsigned char>(pattern[0])) &&
         pattern[1] == ':' && pattern[2] == '\\' &&
         pattern.compare(pattern.size() - 4, 4, kWildcard) == 0;
}

}  // namespace

TNativeListings::TNativeListings(std::wstring readerProgram, TFindFirstFunction findFirst)
    : readerProgram_(std::move(readerProgram)), findFirst_(findFirst) {}

TNativeListings::~TNativeListings() = default;

std::unique_ptr<TDirectoryEnumeration> TNativeListings::FindFirst(const std::string& pattern,
                                                                  const std::function<bool()>& whileWaiting) {
  if (!DriveLetterPattern(pattern) || pattern.size() > lp::kLongestPattern) return nullptr;
  const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(pattern[0])));
  lp::TListing listing;
  std::vector<TFoundEntry> entries;

  if (pattern.size() == kRootPatternLength) {
    session_.reset();
    letter_ = letter;
    const wchar_t root[] = {static_cast<wchar_t>(letter), L':', L'\\', L'\0'};
    const std::string hostRoot = HostPathOf(root);
    if (hostRoot.empty()) return nullptr;
    auto session = std::make_shared<TListingSession>(readerProgram_, hostRoot, whileWaiting);
    if (!session->Started()) return nullptr;
    session_ = session;
    if (session->Take(std::string(), listing) && WineListing(listing, entries, whileWaiting)) {
      ++served_;
      return std::make_unique<TListedEnumeration>(std::move(entries), std::move(session));
    }
    std::unique_ptr<TDirectoryEnumeration> inner = findFirst_(pattern);
    if (!inner) return nullptr;
    return std::make_unique<TSessionHoldingEnumeration>(std::move(inner), std::move(session));
  }

  const std::shared_ptr<TListingSession> session = session_.lock();
  std::string hostPath;
  if (!session || letter != letter_ ||
      !PlainHostPath(pattern.substr(3, pattern.size() - 3 - 4), hostPath) || !session->Take(hostPath, listing) ||
      !WineListing(listing, entries, whileWaiting)) {
    return nullptr;
  }
  ++served_;
  return std::make_unique<TListedEnumeration>(std::move(entries), nullptr);
}
