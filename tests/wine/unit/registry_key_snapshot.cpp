#include "registry_key_snapshot.h"

#include <shlwapi.h>

#include <utility>

TRegistryKeySnapshot::TRegistryKeySnapshot(HKEY root, std::string path) : root_(root), path_(std::move(path)) {
  HKEY key;
  existed_ = RegOpenKeyExA(root_, path_.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS;
  if (!existed_) return;
  for (DWORD index = 0;; ++index) {
    char name[256];
    DWORD nameSize = sizeof name;
    BYTE data[4096];
    DWORD dataSize = sizeof data;
    DWORD type = 0;
    if (RegEnumValueA(key, index, name, &nameSize, nullptr, &type, data, &dataSize) != ERROR_SUCCESS) break;
    values_.push_back({std::string(name, nameSize), type, std::vector<BYTE>(data, data + dataSize)});
  }
  RegCloseKey(key);
}

TRegistryKeySnapshot::~TRegistryKeySnapshot() {
  if (!existed_) {
    SHDeleteKeyA(root_, path_.c_str());
    return;
  }
  HKEY key;
  if (RegCreateKeyExA(root_, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
      ERROR_SUCCESS) {
    return;
  }
  // Values the test added go; the ones found come back as they were.
  for (;;) {
    char name[256];
    DWORD nameSize = sizeof name;
    if (RegEnumValueA(key, 0, name, &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    if (RegDeleteValueA(key, name) != ERROR_SUCCESS) break;
  }
  for (const TValue& value : values_) {
    RegSetValueExA(key, value.Name.c_str(), 0, value.Type, value.Data.data(), static_cast<DWORD>(value.Data.size()));
  }
  RegCloseKey(key);
}
