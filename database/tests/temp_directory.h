// A fresh directory for the running test, removed again when it ends; named
// after the test and the process, so tests run in parallel never share one.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

class TTempDirectory {
 public:
  explicit TTempDirectory(const std::string& prefix);
  ~TTempDirectory();
  TTempDirectory(const TTempDirectory&) = delete;
  TTempDirectory& operator=(const TTempDirectory&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// The whole content of a file; empty when it cannot be read.
std::vector<uint8_t> ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);
