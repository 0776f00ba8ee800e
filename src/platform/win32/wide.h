// UTF-8 inside the program; UTF-16 or the ANSI code page at the system's
// calls (text_calls.h chooses which).
#pragma once

#include <windows.h>

#include <string>

namespace corvell::win32 {

// UTF-8 by default; the record file uses the ANSI code page (CP_ACP).
std::wstring widen(const std::string& s, UINT codePage = CP_UTF8);
std::string narrow(const std::wstring& w, UINT codePage = CP_UTF8);

// A lone carriage return is the line break of the program's texts;
// Windows controls want CR LF.
std::string displayText(const std::string& utf8);

}  // namespace corvell::win32
