#include "name_filter.h"

#include <sys/stat.h>

#include <vector>

TNameFilter::~TNameFilter() {
  if (compiled_) regfree(&regex_);
}

bool TNameFilter::MatchName(const std::string& regex, std::string& problem) {
  const int error = regcomp(&regex_, regex.c_str(), REG_EXTENDED | REG_ICASE | REG_NOSUB);
  if (error != 0) {
    std::vector<char> message(regerror(error, &regex_, nullptr, 0));
    regerror(error, &regex_, message.data(), message.size());
    problem = regex + ": " + message.data();
    return false;
  }
  compiled_ = true;
  return true;
}

bool TNameFilter::Keeps(const char* name, const std::string& hostPath) const {
  if (compiled_ && regexec(&regex_, name, 0, nullptr, 0) != 0) return false;
  struct stat info;
  return !existing_ || lstat(hostPath.c_str(), &info) == 0;
}
