#include "search_pattern.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <cerrno>

#include "ansi_text.h"

namespace {

bool HasWildcard(const std::string& name) { return name.find_first_of("*?") != std::string::npos; }

std::string Home() {
  const char* home = std::getenv("HOME");
  return home ? home : "";
}

// A pattern whose folder is a host path ("~/src/*.c", "/home/me/*.txt",
// "docs/*.txt") rather than a drive path.
bool HasHostFolder(const std::string& pattern) { return pattern.find('/') != std::string::npos || pattern == "~"; }

// Bytes a regular expression gives a special meaning, outside brackets.
bool IsSpecial(char c) { return std::strchr(".[]()*+?{}|^$\\", c) != nullptr; }

}  // namespace

std::string DialectName(const std::string& name, bool exact) {
  // An empty name (a folder alone) matches nothing, as in the window,
  // rather than every name.
  if (exact || name.empty() || HasWildcard(name)) return name;
  return "*" + name + "*";
}

std::string LongestPlainPiece(const std::string& regex) {
  // Only the top level counts, and not at all where it has alternatives:
  // a group or a bracket may match without any of its bytes.
  int depth = 0;
  for (size_t i = 0; i < regex.size(); ++i) {
    if (regex[i] == '\\') {
      ++i;
    } else if (regex[i] == '(') {
      ++depth;
    } else if (regex[i] == ')') {
      --depth;
    } else if (regex[i] == '|' && depth == 0) {
      return std::string();
    }
  }
  std::string best, run;
  const auto endRun = [&] {
    if (run.size() > best.size()) best = run;
    run.clear();
  };
  depth = 0;
  for (size_t i = 0; i < regex.size(); ++i) {
    const char c = regex[i];
    const char next = i + 1 < regex.size() ? regex[i + 1] : '\0';
    // Bytes taken as they are: a plain one, or a punctuation mark after a
    // backslash (a backslash before a letter is an extension such as \w).
    char literal = '\0';
    size_t width = 1;
    if (c == '\\' && next && std::strchr(".[]()*+?{}|^$\\/-", next)) {
      literal = next;
      width = 2;
    } else if (!IsSpecial(c)) {
      literal = c;
    }
    if (c == '[') {
      // Skip the bracket: "[]...]" and "[^]...]" hold a ']' of their own.
      size_t j = i + 1;
      if (j < regex.size() && regex[j] == '^') ++j;
      if (j < regex.size() && regex[j] == ']') ++j;
      while (j < regex.size() && regex[j] != ']') ++j;
      i = j;
      endRun();
      continue;
    }
    if (c == '{') {
      // An interval's bounds are no bytes of the name.
      while (i < regex.size() && regex[i] != '}') ++i;
      endRun();
      continue;
    }
    if (c == '(') ++depth;
    if (c == ')') --depth;
    // The wildcards of the program's pattern, and bytes beyond ASCII (which
    // the index may hold as '?'), cannot go into the narrowing.
    const bool usable = literal && depth == 0 && literal != '*' && literal != '?' &&
                        static_cast<unsigned char>(literal) < 0x80;
    if (!usable) {
      endRun();
      if (c == '\\' && next) ++i;
      continue;
    }
    const char after = i + width < regex.size() ? regex[i + width] : '\0';
    if (after == '?' || after == '*' || after == '{') {
      // The byte may be absent or repeated: the run ends before it.
      endRun();
    } else if (after == '+') {
      // Present at least once: it ends the run.
      run += literal;
      endRun();
    } else {
      run += literal;
    }
    i += width - 1;
  }
  endRun();
  return best;
}

bool RequestPattern(const TFindOptions& options, TLazyDrives& drives, std::string& pattern, std::string& problem) {
  if (options.Regex) {
    // The name is matched by the command; the program narrows the
    // candidates to the names that hold the expression's plain piece.
    const std::string piece = AnsiFromUtf8(LongestPlainPiece(options.Pattern));
    pattern = piece.empty() ? "*" : "*" + piece + "*";
    return true;
  }
  const std::string& given = options.Pattern;
  if (!HasHostFolder(given)) {
    const size_t backslash = given.rfind('\\');
    const size_t nameStart = backslash == std::string::npos ? 0 : backslash + 1;
    pattern = AnsiFromUtf8(given.substr(0, nameStart) + DialectName(given.substr(nameStart), options.Exact || options.Window));
    return true;
  }
  if (!drives.Read(problem)) {
    problem = "Velkoro is not running";
    return false;
  }
  const size_t slash = given.rfind('/');
  std::string folder = given == "~" ? given : slash == 0 ? "/" : given.substr(0, slash);
  const std::string name = given == "~" ? std::string() : given.substr(slash + 1);
  if (folder == "~" || folder.compare(0, 2, "~/") == 0) folder = Home() + folder.substr(1);
  char resolved[PATH_MAX];
  if (!realpath(folder.c_str(), resolved)) {
    problem = folder + ": " + std::strerror(errno);
    return false;
  }
  const std::string drivePath = drives.Map().DrivePathOf(resolved);
  if (drivePath.empty()) {
    problem = std::string(resolved) + " lies on no fixed drive of the prefix";
    return false;
  }
  pattern = drivePath + AnsiFromUtf8(DialectName(name, options.Exact || options.Window));
  return true;
}
