// This file alone sees the headers of the newest systems, so that the
// signatures written out in system_functions.h are held to the headers'
// own prototypes; no call here depends on them.
#undef WINVER
#undef _WIN32_WINNT
#define WINVER 0x0A00
#define _WIN32_WINNT 0x0A00

#include "platform/win32/system_functions.h"

#include <htmlhelp.h>
#include <shlobj.h>

#include <type_traits>

namespace corvell::win32::sys {

#define CORVELL_AS_DECLARED(library, name, ...) \
    static_assert(std::is_same_v<__VA_ARGS__, decltype(&::name)>, #name " as the headers declare it");
CORVELL_WIDE_FUNCTIONS(CORVELL_AS_DECLARED)
CORVELL_OPTIONAL_FUNCTIONS(CORVELL_AS_DECLARED)
#undef CORVELL_AS_DECLARED

namespace {

// The libraries that every process of the program has loaded already are
// only found; the others are loaded on first use and stay.
HMODULE module(Library library) {
    switch (library) {
        case Library::User32:
            return GetModuleHandleA("user32.dll");
        case Library::Gdi32:
            return GetModuleHandleA("gdi32.dll");
        case Library::Kernel32:
            return GetModuleHandleA("kernel32.dll");
        case Library::Comctl32:
            return GetModuleHandleA("comctl32.dll");
        case Library::Advapi32:
            return LoadLibraryA("advapi32.dll");
        case Library::Shell32:
        case Library::Folder:
            return LoadLibraryA("shell32.dll");
        case Library::Hhctrl:
            return LoadLibraryA("hhctrl.ocx");
    }
    return nullptr;
}

}  // namespace

FARPROC LateFunction::address() const {
    if (lookedUp_) return address_;
    lookedUp_ = true;
    HMODULE m = module(library_);
    address_ = m != nullptr ? GetProcAddress(m, name_) : nullptr;
    if (address_ == nullptr && library_ == Library::Folder) {
        m = LoadLibraryA("shfolder.dll");
        address_ = m != nullptr ? GetProcAddress(m, name_) : nullptr;
    }
    return address_;
}

}  // namespace corvell::win32::sys
