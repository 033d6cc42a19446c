// What the reader decides from a host name alone: whether the program's
// scan can name the directory in its ANSI search pattern and reach exactly
// that directory through Wine, and the order in which Wine lists names.
#pragma once

#include <string>

// Valid UTF-8 of characters that code page 1252 holds, none of them one that
// a Windows path treats specially, no trailing dot or space, and not a DOS
// device name: then the ANSI spelling converts back to this very name.
bool PlainName(const std::string& name);

// The name's length in characters (its ANSI length when PlainName holds).
size_t CharacterCount(const std::string& name);

// Wine lists a directory sorted by name, compared as UTF-16 without regard
// to case, ties broken exactly. This key sorts in that order for Latin
// names; where it does not, the program only waits a little longer for the
// listing it asks for next.
std::u16string SortKey(const std::string& name);
