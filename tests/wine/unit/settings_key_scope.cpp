#include "settings_key_scope.h"

#include <shlwapi.h>

#include <stdexcept>

namespace {

const char kProductKey[] = "Velkoro";
const char kSettingsKeyPath[] = "Velkoro\\Settings";
const char kCrcValue[] = "CRC32";

bool KeyExists(const char* path) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

}  // namespace

TSettingsKeyScope::TSettingsKeyScope() {
  createdProduct_ = !KeyExists(kProductKey);
  DWORD disposition = 0;
  if (RegCreateKeyExA(HKEY_CLASSES_ROOT, kSettingsKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_,
                      &disposition) != ERROR_SUCCESS) {
    throw std::runtime_error("cannot open or make HKEY_CLASSES_ROOT\\Velkoro\\Settings");
  }
  createdSettings_ = disposition == REG_CREATED_NEW_KEY;
  DWORD size = 0;
  if (RegQueryValueExA(key_, kCrcValue, nullptr, &crcType_, nullptr, &size) == ERROR_SUCCESS) {
    crcData_.resize(size);
    hadCrc_ = RegQueryValueExA(key_, kCrcValue, nullptr, &crcType_, crcData_.data(), &size) == ERROR_SUCCESS;
  }
}

TSettingsKeyScope::~TSettingsKeyScope() {
  if (hadCrc_) {
    RegSetValueExA(key_, kCrcValue, 0, crcType_, crcData_.data(), static_cast<DWORD>(crcData_.size()));
  } else {
    RegDeleteValueA(key_, kCrcValue);
  }
  RegCloseKey(key_);
  if (createdProduct_) SHDeleteKeyA(HKEY_CLASSES_ROOT, kProductKey);
  else if (createdSettings_) SHDeleteKeyA(HKEY_CLASSES_ROOT, kSettingsKeyPath);
}

bool TSettingsKeyScope::ReadCrc(uint32_t& crc) const {
  DWORD type = 0, value = 0, size = sizeof value;
  if (RegQueryValueExA(key_, kCrcValue, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
          ERROR_SUCCESS ||
      type != REG_DWORD || size != sizeof value) {
    return false;
  }
  crc = value;
  return true;
}

void TSettingsKeyScope::WriteCrc(uint32_t crc) const {
  const DWORD value = crc;
  RegSetValueExA(key_, kCrcValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}
