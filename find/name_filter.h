// What the command itself checks of each result before printing it: the
// name against a regular expression (-r), and the path's existence (-e).
#pragma once

#include <regex.h>

#include <string>

class TNameFilter {
 public:
  TNameFilter() = default;
  ~TNameFilter();
  TNameFilter(const TNameFilter&) = delete;
  TNameFilter& operator=(const TNameFilter&) = delete;

  // A POSIX extended regular expression, in any case. False with Problem
  // set to regerror's message when it does not compile.
  bool MatchName(const std::string& regex, std::string& problem);
  // Only paths that exist (lstat: a dangling link exists) when printed.
  void KeepExisting() { existing_ = true; }

  bool Active() const { return compiled_ || existing_; }
  bool Existing() const { return existing_; }
  // Name is the result's last component, HostPath its host path.
  bool Keeps(const char* name, const std::string& hostPath) const;

 private:
  regex_t regex_;
  bool compiled_ = false;
  bool existing_ = false;
};
