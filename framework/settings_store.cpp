#include "settings_store.h"

#include <windows.h>

#include "exceptions.h"
#include "resource.h"
#include "resource_strings.h"

const char* const kSettingsKey = "Velkoro\\Settings";

namespace {

// Every routine opens the key afresh and closes it on every way out.
class TSettingsKey {
 public:
  explicit TSettingsKey(const std::string& key) {
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_ALL_ACCESS, &handle_) !=
        ERROR_SUCCESS) {
      throw ERegistry(ResourceText(IDS_REG_KEY_FAILED, {key}));
    }
  }
  ~TSettingsKey() { RegCloseKey(handle_); }
  TSettingsKey(const TSettingsKey&) = delete;
  TSettingsKey& operator=(const TSettingsKey&) = delete;
  HKEY Handle() const { return handle_; }

 private:
  HKEY handle_ = nullptr;
};

// The message for a value that could not be read: a value that does not
// exist at all reports no type, and "could not be opened" (8193) is what
// describes it; otherwise the stored type decides.
[[noreturn]] void RaiseReadFailure(LONG result, DWORD type, DWORD expectedType,
                                   unsigned expectedTypeName, const std::string& key,
                                   const std::string& name) {
  if (result == ERROR_FILE_NOT_FOUND || type == expectedType) {
    throw ERegistry(ResourceText(IDS_REG_VALUE_FAILED, {name, key}));
  }
  throw ERegistry(
      ResourceText(IDS_REG_TYPE_MISMATCH, {name, key, LoadResourceString(expectedTypeName)}));
}

}  // namespace

int32_t ReadRegInteger(const std::string& key, const std::string& name) {
  TSettingsKey settings(key);
  // A value shorter than 4 bytes is read with its missing bytes as zero.
  BYTE data[4] = {0, 0, 0, 0};
  DWORD size = sizeof data;
  DWORD type = REG_NONE;
  const LONG result = RegQueryValueExA(settings.Handle(), name.c_str(), nullptr, &type, data, &size);
  if (result != ERROR_SUCCESS) {
    RaiseReadFailure(result, type, REG_DWORD, IDS_TYPE_DWORD, key, name);
  }
  return static_cast<int32_t>(static_cast<uint32_t>(data[0]) | static_cast<uint32_t>(data[1]) << 8 |
                              static_cast<uint32_t>(data[2]) << 16 |
                              static_cast<uint32_t>(data[3]) << 24);
}

void WriteRegInteger(const std::string& key, const std::string& name, int32_t value) {
  TSettingsKey settings(key);
  const DWORD data = static_cast<DWORD>(value);
  if (RegSetValueExA(settings.Handle(), name.c_str(), 0, REG_DWORD,
                     reinterpret_cast<const BYTE*>(&data), sizeof data) != ERROR_SUCCESS) {
    throw ERegistry(ResourceText(IDS_REG_WRITE_FAILED, {name, key}));
  }
}

std::string ReadRegString(const std::string& key, const std::string& name) {
  TSettingsKey settings(key);
  char data[256] = {};
  DWORD size = sizeof data;
  DWORD type = REG_NONE;
  const LONG result = RegQueryValueExA(settings.Handle(), name.c_str(), nullptr, &type,
                                       reinterpret_cast<BYTE*>(data), &size);
  if (result != ERROR_SUCCESS) {
    RaiseReadFailure(result, type, REG_SZ, IDS_TYPE_STRING, key, name);
  }
  // The text ends at the first zero within the buffer, or at its end.
  size_t length = 0;
  while (length < sizeof data && data[length] != '\0') ++length;
  return std::string(data, length);
}
