// What the two families of text calls share, and their tables, for
// text_calls.cpp to choose from.
#pragma once

#include <windows.h>

#include "platform/win32/text_calls.h"

namespace corvell::win32 {

// Each made in its family's file when the program starts, and read only
// after that.
namespace ansi {
extern const TextCalls kCalls;  // NOLINT(bugprone-dynamic-static-initializers)
}  // namespace ansi

namespace wide {
extern const TextCalls kCalls;  // NOLINT(bugprone-dynamic-static-initializers)
// True when every wide function is there.
bool load();
}  // namespace wide

inline RECT placeOf(HWND parent, const RECT* place) {
    if (place != nullptr) return *place;
    return parent == nullptr ? RECT{CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT + 100, CW_USEDEFAULT + 100}
                             : RECT{0, 0, 0, 0};
}

inline HMENU childId(HWND parent, int id) {
    return parent == nullptr ? nullptr : reinterpret_cast<HMENU>(static_cast<INT_PTR>(id));
}

// CSIDL_LOCAL_APPDATA, made if missing (a profile made without it;
// shfolder.dll on 95/98).
inline constexpr int kLocalAppData = 0x001C | 0x8000;

// A system message is one sentence or two; inserts are never filled in.
inline constexpr DWORD kErrorTextFlags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
inline constexpr DWORD kErrorTextMax = 512;

// The first length characters, without the line break and spaces at their end.
template <class Text>
Text trimmedEnd(Text text, DWORD length) {
    text.resize(length < text.size() ? length : 0);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) {
        text.pop_back();
    }
    return text;
}

}  // namespace corvell::win32
