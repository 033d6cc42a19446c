#include "record_writer.h"

#include <cerrno>
#include <poll.h>
#include <unistd.h>

void TRecordWriter::Add(uint8_t eventCode, uint8_t subCode, int root, const std::string& path,
                        const std::string& newPath, uint8_t spellings, uint8_t newSpellings) {
  monitor_protocol::TRecordHeader header{};
  header.EventCode = eventCode;
  header.SubCode = subCode;
  header.Root = static_cast<uint8_t>(root);
  header.Spellings = spellings;
  header.NewSpellings = newSpellings;
  header.PathLength = static_cast<uint32_t>(path.size());
  header.NewPathLength = static_cast<uint32_t>(newPath.size());
  buffer_.append(reinterpret_cast<const char*>(&header), sizeof header);
  buffer_ += path;
  buffer_ += newPath;
}

bool TRecordWriter::Flush() {
  size_t done = 0;
  while (done < buffer_.size()) {
    const ssize_t written = write(fd_, buffer_.data() + done, buffer_.size() - done);
    if (written < 0) {
      if (errno == EINTR) continue;
      if (errno != EAGAIN) return false;
      pollfd wait[2] = {{fd_, POLLOUT, 0}, {control_, POLLIN, 0}};
      if (poll(wait, 2, -1) < 0 && errno != EINTR) return false;
      if (wait[1].revents & (POLLHUP | POLLERR | POLLIN)) return false;
      continue;
    }
    done += static_cast<size_t>(written);
  }
  buffer_.clear();
  return true;
}
