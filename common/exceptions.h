// The program's exceptions carry a message only. They all derive directly
// from one base, and only ETerminate is ever caught by the program's own code.
#pragma once

#include <stdexcept>
#include <string>

class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
  // The class name shown by the top-level error box.
  virtual const char* ClassName() const { return "Exception"; }
};

// Start-up and driver failures (resource strings 4096 to 4100).
class EInitialization : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const override { return "EInitialization"; }
};

// Settings failures (resource strings 8192 to 8195).
class ERegistry : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const override { return "ERegistry"; }
};

// A scan cancelled by the user.
class ETerminate : public Exception {
 public:
  ETerminate() : Exception("User Terminate") {}
  const char* ClassName() const override { return "ETerminate"; }
};
