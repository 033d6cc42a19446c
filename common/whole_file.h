// A file written whole in one call, its handle closed on every way out.
#pragma once

#include <windows.h>

#include <string>

enum class TWholeFileWrite { Written, NotCreated, NotWritten };

// Creates the file at Path as Disposition says (CREATE_NEW: only where
// there is none; CREATE_ALWAYS: replacing any) and writes Contents as the
// whole of it. The ANSI path goes through the platform's code page, as
// every ANSI file call does.
TWholeFileWrite WriteWholeFile(const std::wstring& path, const std::string& contents, DWORD disposition);
TWholeFileWrite WriteWholeFile(const char* path, const std::string& contents, DWORD disposition);
