// TFd: a POSIX file descriptor with one owner, closed once when that owner
// goes. The Linux-side programs hold every descriptor they open in one, so
// that no early return leaks it into a process that lives as long as the
// program it serves.
#pragma once

#include <unistd.h>

class TFd {
 public:
  explicit TFd(int fd = -1) : fd_(fd) {}
  ~TFd() { reset(); }
  TFd(TFd&& other) noexcept : fd_(other.release()) {}
  TFd& operator=(TFd&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  TFd(const TFd&) = delete;
  TFd& operator=(const TFd&) = delete;

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  // Hands the descriptor over; this owner no longer closes it.
  int release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }
  // Closes the descriptor held, if any, and holds Fd instead.
  void reset(int fd = -1) {
    if (fd_ >= 0) close(fd_);
    fd_ = fd;
  }

 private:
  int fd_;
};
