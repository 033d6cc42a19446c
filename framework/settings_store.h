// The program's settings: values of the registry key Velkoro\Settings under
// HKEY_CLASSES_ROOT. The program never creates the key and supplies no
// defaults: every failure raises ERegistry with a message that names the
// value and the key.
#pragma once

#include <cstdint>
#include <string>

extern const char* const kSettingsKey;  // "Velkoro\Settings"

int32_t ReadRegInteger(const std::string& key, const std::string& name);
void WriteRegInteger(const std::string& key, const std::string& name, int32_t value);
// At most 255 characters; a longer value fails.
std::string ReadRegString(const std::string& key, const std::string& name);
