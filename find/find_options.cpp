#include "find_options.h"

#include <cstdlib>
#include <cstring>

const char kFindUsage[] =
    "usage: velkoro-find [OPTIONS] PATTERN\n"
    "       velkoro-find --window [PATTERN]\n"
    "Finds files by name in the index of the running Velkoro.\n"
    "PATTERN is a name, optionally after a folder: a drive path (C:\\WINDOWS\\*.INI) or a host\n"
    "path (~/src/*.c, /home/me/docs/*.txt) on one of the prefix's fixed drives. A name without\n"
    "* or ? finds every name that holds it (zlib: zlib.h, libzlib.a); with * and ? it is\n"
    "matched whole, as in the search window. Any case, always.\n"
    "  --exact      a name without * or ? is the whole name, as in the search window\n"
    "  -r, --regex  PATTERN is a POSIX extended regular expression matched against the name\n"
    "  -e, --existing  print only paths that exist at the moment they are printed\n"
    "  -i, -b       accepted for locate's sake: the search is always by name and in any case\n"
    "  --dos        print drive paths as the search window shows them, not host paths\n"
    "  -0, --null   end each result with NUL instead of a newline\n"
    "  -c, --count  print the number of results only\n"
    "  -l, --limit N  stop after N results\n"
    "  --prefix DIR the Wine prefix of the Velkoro to ask (default $WINEPREFIX, else ~/.velkoro96)\n"
    "  --window     bring up the search window, as a click on Velkoro's icon does, and search\n"
    "               there for PATTERN if one is given (bind it to a desktop shortcut)\n"
    "Exit status: 0 something found (with --window: the window came up), 1 nothing found,\n"
    "2 Velkoro is not running, did not answer, or the request failed.\n";

namespace {

bool ParseLimit(const char* text, uint32_t& limit) {
  char* end = nullptr;
  const unsigned long long value = std::strtoull(text, &end, 10);
  if (!*text || *end || text[0] == '-' || value == 0 || value > 0xFFFFFFFFull) return false;
  limit = static_cast<uint32_t>(value);
  return true;
}

}  // namespace

bool ParseFindOptions(int argc, char** argv, TFindOptions& options, std::string& problem, bool& help) {
  help = false;
  bool patternGiven = false;
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    const bool hasValue = i + 1 < argc;
    if (optionsEnded || argument.empty() || argument[0] != '-' || argument == "-") {
      if (patternGiven) {
        problem = "one pattern only (quote a pattern with * or ? so that the shell leaves it alone)";
        return false;
      }
      options.Pattern = argument;
      patternGiven = true;
    } else if (argument == "--") {
      optionsEnded = true;
    } else if (argument == "-h" || argument == "--help") {
      help = true;
      return true;
    } else if (argument == "-i" || argument == "--ignore-case" || argument == "-b" || argument == "--basename") {
      // The index is searched by name and in any case whatever is asked:
      // accepted, so that aliases made for locate keep working.
    } else if (argument == "--exact") {
      options.Exact = true;
    } else if (argument == "-r" || argument == "--regex") {
      options.Regex = true;
    } else if (argument == "-e" || argument == "--existing") {
      options.Existing = true;
    } else if (argument == "--window") {
      options.Window = true;
    } else if (argument == "--dos") {
      options.Dos = true;
    } else if (argument == "-0" || argument == "--null") {
      options.Null = true;
    } else if (argument == "-c" || argument == "--count") {
      options.CountOnly = true;
    } else if (argument == "-l" || argument == "--limit") {
      if (!hasValue || !ParseLimit(argv[++i], options.Limit)) {
        problem = "-l wants a number of results above 0";
        return false;
      }
    } else if (argument == "--prefix") {
      if (!hasValue) {
        problem = "--prefix wants a folder";
        return false;
      }
      options.Prefix = argv[++i];
    } else {
      problem = "unknown option " + argument;
      return false;
    }
  }
  if (options.Window) {
    if (options.Regex || options.Existing || options.CountOnly || options.Null || options.Limit) {
      problem = "--window takes a pattern and --prefix only";
      return false;
    }
    return true;
  }
  if (!patternGiven || options.Pattern.empty()) {
    problem = "no pattern given";
    return false;
  }
  return true;
}
