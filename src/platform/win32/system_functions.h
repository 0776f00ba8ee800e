// Every system function that some Windows lack, in one list: the program
// imports by name only what the first Windows 95 and NT 4.0 both have, and
// finds the rest when it first calls them. A function that is missing is null; the caller does
// without it.
#pragma once

#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

namespace corvell::win32::sys {

enum class Library {
    User32,
    Gdi32,
    Kernel32,
    Advapi32,  // NT's security calls; 95/98/Me have stubs at best
    Comctl32,
    Shell32,
    Folder,  // shell32 from Windows 2000 and Me, else the redistributable shfolder.dll
    Hhctrl,  // HTML Help, hhctrl.ocx
};

// A function found by name in its library on its first use; null where the
// system lacks it. The search is out of line: a call site stays small.
class LateFunction {
public:
    constexpr LateFunction(Library library, const char* name) : library_(library), name_(name) {}
    FARPROC address() const;
    // For tests: another function in the system's place; null: the
    // system's again.
    void replaceWith(FARPROC f) {
        address_ = f;
        lookedUp_ = f != nullptr;
    }

private:
    Library library_;
    const char* name_;
    mutable FARPROC address_ = nullptr;
    mutable bool lookedUp_ = false;
};

template <class Fn>
class SystemFunction : public LateFunction {
public:
    using LateFunction::LateFunction;
    Fn get() const { return reinterpret_cast<Fn>(reinterpret_cast<void*>(address())); }
    explicit operator bool() const { return address() != nullptr; }
    void replace(Fn f) { replaceWith(reinterpret_cast<FARPROC>(reinterpret_cast<void*>(f))); }
    template <class... Args>
    auto operator()(Args... args) const {
        return get()(args...);
    }
};

// The wide (W) forms the NT family's text calls take; every one of them or
// none (text_calls.cpp).
#ifdef _WIN64
#define CORVELL_WINDOW_LONG(X)                                           \
    X(User32, GetWindowLongPtrW, LONG_PTR(WINAPI*)(HWND, int))           \
    X(User32, SetWindowLongPtrW, LONG_PTR(WINAPI*)(HWND, int, LONG_PTR))
#else
#define CORVELL_WINDOW_LONG(X)                                    \
    X(User32, GetWindowLongW, LONG(WINAPI*)(HWND, int))           \
    X(User32, SetWindowLongW, LONG(WINAPI*)(HWND, int, LONG))
#endif

#define CORVELL_WIDE_FUNCTIONS(X)                                 \
    X(User32, RegisterClassExW, decltype(&::RegisterClassExW))    \
    X(User32, CreateWindowExW, decltype(&::CreateWindowExW))      \
    X(User32, DefWindowProcW, decltype(&::DefWindowProcW))        \
    X(User32, CallWindowProcW, decltype(&::CallWindowProcW))      \
    X(User32, SendMessageW, decltype(&::SendMessageW))            \
    X(User32, PostMessageW, decltype(&::PostMessageW))            \
    X(User32, GetMessageW, decltype(&::GetMessageW))              \
    X(User32, PeekMessageW, decltype(&::PeekMessageW))            \
    X(User32, DispatchMessageW, decltype(&::DispatchMessageW))    \
    X(User32, IsDialogMessageW, decltype(&::IsDialogMessageW))    \
    CORVELL_WINDOW_LONG(X)                                        \
    X(User32, FindWindowExW, decltype(&::FindWindowExW))          \
    X(User32, SetWindowTextW, decltype(&::SetWindowTextW))        \
    X(User32, GetWindowTextW, decltype(&::GetWindowTextW))        \
    X(User32, GetWindowTextLengthW, decltype(&::GetWindowTextLengthW)) \
    X(User32, DrawTextW, decltype(&::DrawTextW))                  \
    X(Gdi32, CreateFontW, decltype(&::CreateFontW))               \
    X(Kernel32, CreateFileW, decltype(&::CreateFileW))            \
    X(Kernel32, DeleteFileW, decltype(&::DeleteFileW))            \
    X(Kernel32, GetFileAttributesW, decltype(&::GetFileAttributesW)) \
    X(Kernel32, CreateDirectoryW, decltype(&::CreateDirectoryW))  \
    X(Kernel32, MoveFileExW, decltype(&::MoveFileExW))            \
    X(Kernel32, GetModuleFileNameW, decltype(&::GetModuleFileNameW)) \
    X(Kernel32, CreateProcessW, decltype(&::CreateProcessW))      \
    X(Kernel32, SearchPathW, decltype(&::SearchPathW))            \
    X(Kernel32, FormatMessageW, decltype(&::FormatMessageW))

// Newer than the first Windows 95 or NT 4.0, or not on every system of
// either family. Their signatures are written out where the headers this
// program is built with declare them only for later systems;
// system_functions.cpp holds each to the headers' prototype.
#define CORVELL_OPTIONAL_FUNCTIONS(X)                                                   \
    X(User32, GetDpiForWindow, UINT(WINAPI*)(HWND))                                     \
    X(User32, AdjustWindowRectExForDpi, BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT)) \
    X(User32, MonitorFromWindow, HMONITOR(WINAPI*)(HWND, DWORD))                        \
    X(User32, GetMonitorInfoA, BOOL(WINAPI*)(HMONITOR, MONITORINFO*))                   \
    X(User32, FlashWindowEx, BOOL(WINAPI*)(FLASHWINFO*))                                \
    X(Comctl32, InitCommonControlsEx, BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*))       \
    X(Advapi32, OpenProcessToken, BOOL(WINAPI*)(HANDLE, DWORD, HANDLE*))                \
    X(Advapi32, AdjustTokenPrivileges,                                                  \
      BOOL(WINAPI*)(HANDLE, BOOL, TOKEN_PRIVILEGES*, DWORD, TOKEN_PRIVILEGES*, DWORD*)) \
    X(Advapi32, LookupPrivilegeValueA, BOOL(WINAPI*)(const char*, const char*, LUID*))  \
    X(Advapi32, LookupPrivilegeValueW, BOOL(WINAPI*)(const wchar_t*, const wchar_t*, LUID*)) \
    X(Advapi32, GetUserNameA, BOOL(WINAPI*)(char*, DWORD*))                             \
    X(Advapi32, GetUserNameW, BOOL(WINAPI*)(wchar_t*, DWORD*))                          \
    X(Shell32, ShellExecuteExA, BOOL(WINAPI*)(SHELLEXECUTEINFOA*))                      \
    X(Shell32, ShellExecuteExW, BOOL(WINAPI*)(SHELLEXECUTEINFOW*))                      \
    X(Folder, SHGetFolderPathA, HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, char*))      \
    X(Folder, SHGetFolderPathW, HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, wchar_t*))   \
    X(Hhctrl, HtmlHelpA, HWND(WINAPI*)(HWND, const char*, UINT, DWORD_PTR))             \
    X(Hhctrl, HtmlHelpW, HWND(WINAPI*)(HWND, const wchar_t*, UINT, DWORD_PTR))

#define CORVELL_DECLARE_FUNCTION(library, name, ...) \
    inline constinit SystemFunction<__VA_ARGS__> name{Library::library, #name};
CORVELL_WIDE_FUNCTIONS(CORVELL_DECLARE_FUNCTION)
CORVELL_OPTIONAL_FUNCTIONS(CORVELL_DECLARE_FUNCTION)
#undef CORVELL_DECLARE_FUNCTION

}  // namespace corvell::win32::sys
