// Names as the index holds them (the ANSI code page 1252 of Windows 95, in
// upper case) and as the host spells them (UTF-8).
#pragma once

#include <string>
#include <string_view>

// A character that code page 1252 lacks becomes '?', as Wine's
// conversion of host names makes it.
std::string AnsiFromUtf8(const std::string& utf8);
std::string Utf8FromAnsi(const std::string& ansi);

// Whether a host name (UTF-8) is KEY in the index: converted and upper-cased
// as above, without making either string.
bool IsIndexName(std::string_view utf8, std::string_view key);

// Upper case as CharUpperBuffA makes it in code page 1252, which is how the
// index stores every name.
std::string AnsiUpper(std::string ansi);
