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

// A function of a system DLL that older systems may lack; null if absent.
template <class Fn>
Fn systemFunction(HMODULE module, const char* name) {
    if (module == nullptr) return nullptr;
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// Twips to pixels at a given DPI.
inline int twips(int t, int dpi) { return MulDiv(t, dpi, 1440); }

}  // namespace corvell::win32
