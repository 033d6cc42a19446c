// The program's settings key Velkoro\Settings for a test that saves the
// database (the save writes "CRC32" there, and the program never creates the
// key): made if it is missing, and left as it was found when the test ends.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

class TSettingsKeyScope {
 public:
  TSettingsKeyScope();
  ~TSettingsKeyScope();
  TSettingsKeyScope(const TSettingsKeyScope&) = delete;
  TSettingsKeyScope& operator=(const TSettingsKeyScope&) = delete;

  // The "CRC32" value as a DWORD; false when it is missing or of another
  // type or size.
  bool ReadCrc(uint32_t& crc) const;
  void WriteCrc(uint32_t crc) const;

 private:
  HKEY key_ = nullptr;
  bool createdProduct_ = false;   // HKCR\Velkoro did not exist
  bool createdSettings_ = false;  // HKCR\Velkoro\Settings did not exist
  bool hadCrc_ = false;
  DWORD crcType_ = 0;
  std::vector<BYTE> crcData_;
};
