#include "resource_strings.h"

#include <windows.h>

#include "resource.h"

std::string LoadResourceString(unsigned id) {
  // A string table entry holds at most 4097 characters.
  char buffer[4100];
  const int length = LoadStringA(GetModuleHandleA(nullptr), id, buffer, sizeof buffer);
  return std::string(buffer, length > 0 ? static_cast<size_t>(length) : 0);
}

std::string FormatText(const std::string& pattern, std::initializer_list<std::string> arguments) {
  std::string text;
  auto next = arguments.begin();
  for (size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (c == '%' && i + 1 < pattern.size()) {
      const char kind = pattern[i + 1];
      if (kind == 's' || kind == 'd') {
        if (next != arguments.end()) text += *next++;
        ++i;
        continue;
      }
      if (kind == '%') {
        text += '%';
        ++i;
        continue;
      }
    }
    text += c;
  }
  return text;
}

std::string ResourceText(unsigned id, std::initializer_list<std::string> arguments) {
  return FormatText(LoadResourceString(id), arguments);
}

std::string ProductName() { return LoadResourceString(IDS_PRODUCT_NAME); }
