#include "temp_directory.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

TTempDirectory::TTempDirectory(const std::string& prefix) {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  const std::string test = info ? info->name() : "outside-a-test";
  path_ = std::filesystem::temp_directory_path() /
          ("velkoro-" + prefix + "-" + test + "-" + std::to_string(getpid()));
  std::filesystem::remove_all(path_);
  std::filesystem::create_directories(path_);
}

TTempDirectory::~TTempDirectory() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}
