// Keeps the values of one registry key as a test found them and puts them
// back when the test ends: a key that did not exist is removed again, one
// that the test removed is made again.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class TRegistryKeySnapshot {
 public:
  TRegistryKeySnapshot(HKEY root, std::string path);
  ~TRegistryKeySnapshot();
  TRegistryKeySnapshot(const TRegistryKeySnapshot&) = delete;
  TRegistryKeySnapshot& operator=(const TRegistryKeySnapshot&) = delete;

 private:
  struct TValue {
    std::string Name;
    DWORD Type;
    std::vector<BYTE> Data;
  };
  HKEY root_;
  std::string path_;
  bool existed_ = false;
  std::vector<TValue> values_;
};
