#include "wine_spelling.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "device_names.h"

namespace lp = listing_protocol;

namespace {

// Wine's directory listing orders names with RtlCompareUnicodeStrings
// without regard to case, which maps each character through the upper-case
// table of RtlUpcaseUnicodeChar and compares the results, the shorter name
// first on a tie; FindFirstFileA converts them with RtlUnicodeToMultiByteN.
// Mapping each name once and comparing the mapped names gives the same
// order as the comparison itself, at a fraction of its cost in a folder of
// tens of thousands of names.
using TUpcaseChar = WCHAR(WINAPI*)(WCHAR);
using TUnicodeToMultiByte = LONG(WINAPI*)(char*, ULONG, ULONG*, const WCHAR*, ULONG);

struct TWineRoutines {
  TUpcaseChar Upcase = nullptr;
  TUnicodeToMultiByte ToAnsi = nullptr;
};

const TWineRoutines& Routines() {
  static const TWineRoutines routines = [] {
    TWineRoutines found;
    if (const HMODULE ntdll = GetModuleHandleA("ntdll.dll")) {
      found.Upcase = reinterpret_cast<TUpcaseChar>(
          reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlUpcaseUnicodeChar")));
      found.ToAnsi = reinterpret_cast<TUnicodeToMultiByte>(
          reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlUnicodeToMultiByteN")));
    }
    return found;
  }();
  return routines;
}

std::wstring WideOf(const std::string& text, UINT codePage) {
  if (text.empty()) return std::wstring();
  const int length = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
  return wide;
}

std::string NarrowOf(const std::wstring& wide, UINT codePage) {
  if (wide.empty()) return std::string();
  const int length =
      WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), &text[0], length, nullptr, nullptr);
  return text;
}

bool PlainAnsiName(const std::string& name, std::wstring& wide) {
  if (name.empty() || name.back() == '.' || name.back() == ' ' || DosDeviceName(name)) return false;
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F || (byte < 0x80 && std::strchr(kPathSpecialCharacters, c))) return false;
  }
  wide = WideOf(name, CP_ACP);
  for (const wchar_t c : wide) {
    if (c >= 0x80 && c <= 0x9F) return false;  // a byte the code page leaves undefined
  }
  return NarrowOf(wide, CP_ACP) == name;
}

struct TWideEntry {
  std::wstring Name;
  std::wstring Key;  // Name mapped to upper case, as the listing compares it
  const lp::TEntry* Entry;
};

}  // namespace

bool WineListing(const lp::TListing& listing, std::vector<TFoundEntry>& entries,
                 const std::function<bool()>& keepGoing) {
  // A few thousand names take about as long as the scan lets pass between
  // two runs of its message loop (10 ms).
  constexpr size_t kNamesBetweenAsks = 2048;
  size_t sinceAsked = 0;
  const auto cancelled = [&] {
    if (++sinceAsked < kNamesBetweenAsks) return false;
    sinceAsked = 0;
    if (keepGoing()) return false;
    entries.clear();
    return true;
  };
  const TWineRoutines& wine = Routines();
  if (!wine.Upcase || !wine.ToAnsi) return false;
  entries.clear();
  entries.reserve(listing.Entries.size());
  std::vector<TWideEntry> named;
  named.reserve(listing.Entries.size());
  for (const lp::TEntry& entry : listing.Entries) {
    if (cancelled()) return true;
    if (entry.Name == "." || entry.Name == "..") {
      entries.push_back({entry.Name, entry.Attributes, entry.SizeLow});
    } else {
      TWideEntry item{WideOf(entry.Name, CP_UTF8), std::wstring(), &entry};
      item.Key = item.Name;
      for (WCHAR& c : item.Key) c = wine.Upcase(c);
      named.push_back(std::move(item));
    }
  }
  // WCHAR is unsigned, so the mapped names compare unit by unit as Wine's
  // subtraction of mapped characters does, and a prefix comes first.
  std::sort(named.begin(), named.end(), [](const TWideEntry& a, const TWideEntry& b) {
    const int order = a.Key.compare(b.Key);
    return order != 0 ? order < 0 : a.Name < b.Name;
  });
  char ansi[MAX_PATH * 2];
  for (const TWideEntry& item : named) {
    if (cancelled()) return true;
    ULONG length = 0;
    wine.ToAnsi(ansi, sizeof ansi, &length, item.Name.data(), static_cast<ULONG>(item.Name.size() * sizeof(WCHAR)));
    entries.push_back({std::string(ansi, length), item.Entry->Attributes, item.Entry->SizeLow});
  }
  return true;
}

bool PlainHostPath(const std::string& ansiPath, std::string& hostPath) {
  hostPath.clear();
  for (size_t start = 0; start <= ansiPath.size();) {
    size_t end = ansiPath.find('\\', start);
    if (end == std::string::npos) end = ansiPath.size();
    std::wstring wide;
    if (!PlainAnsiName(ansiPath.substr(start, end - start), wide)) return false;
    if (!hostPath.empty()) hostPath += '/';
    hostPath += NarrowOf(wide, CP_UTF8);
    start = end + 1;
  }
  return true;
}
