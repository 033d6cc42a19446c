#include "whole_file.h"

#include "owned_handle.h"

namespace {

TWholeFileWrite WriteAll(const TOwnedHandle& file, const std::string& contents) {
  if (!file.Valid()) return TWholeFileWrite::NotCreated;
  // Nothing to write is no write at all: the empty file is there already.
  if (contents.empty()) return TWholeFileWrite::Written;
  DWORD written = 0;
  const bool whole = WriteFile(file.Get(), contents.data(), static_cast<DWORD>(contents.size()), &written, nullptr) &&
                     written == contents.size();
  return whole ? TWholeFileWrite::Written : TWholeFileWrite::NotWritten;
}

}  // namespace

TWholeFileWrite WriteWholeFile(const std::wstring& path, const std::string& contents, DWORD disposition) {
  const TOwnedHandle file(
      CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
  return WriteAll(file, contents);
}

TWholeFileWrite WriteWholeFile(const char* path, const std::string& contents, DWORD disposition) {
  const TOwnedHandle file(
      CreateFileA(path, GENERIC_WRITE, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
  return WriteAll(file, contents);
}
