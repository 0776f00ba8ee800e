// The system calls that carry text, or whose messages do: the wide (W)
// functions on the NT family, so the Chinese interface shows whatever the
// system's code page; the ANSI (A) functions on Windows 95/98/Me, where
// nearly every W function is a stub that fails. One table, chosen once at
// start-up; the rest of the Win32 layer calls through it and never asks
// which family it runs on. Text in and out is UTF-8.
//
// Only A functions, functions without text and the few W functions that
// Windows 95 implements are imported by name; the W functions are looked
// up at run time, so the program loads on both families.
#pragma once

#include <windows.h>

#include <string>
#include <type_traits>

namespace corvell::win32 {

// Every call of the table, each by its name and type once: the members of
// TextCalls and both families' tables are made from this list, and each
// family defines a function of every name (text_calls_ansi.cpp,
// text_calls_wide.cpp), so that no call is missing from a table or stands
// in another's place.
#define CORVELL_TEXT_CALLS(X)                                                                      \
    /* Windows and their messages. */                                                             \
    X(registerClass, ATOM (*)(WNDPROC proc, HICON icon, HCURSOR cursor, const char* name))         \
    /* At place (in its parent's client area) or, without one, a top-level window (no parent) at  \
       the default place, 100 pixels square, a child at 0, 0 with no size; id is a child's        \
       control ID. */                                                                             \
    X(createWindow, HWND (*)(DWORD exStyle, const char* className, const std::string& text,        \
                             DWORD style, HWND parent, int id, const RECT* place, void* param))    \
    X(defWindowProc, LRESULT(WINAPI*)(HWND, UINT, WPARAM, LPARAM))                                 \
    X(callWindowProc, LRESULT(WINAPI*)(WNDPROC, HWND, UINT, WPARAM, LPARAM))                       \
    X(sendMessage, LRESULT(WINAPI*)(HWND, UINT, WPARAM, LPARAM))                                   \
    X(postMessage, BOOL(WINAPI*)(HWND, UINT, WPARAM, LPARAM))                                      \
    X(getMessage, BOOL(WINAPI*)(MSG*, HWND, UINT, UINT))                                           \
    X(peekMessage, BOOL(WINAPI*)(MSG*, HWND, UINT, UINT, UINT))                                    \
    X(dispatchMessage, LRESULT(WINAPI*)(const MSG*))                                               \
    X(isDialogMessage, BOOL(WINAPI*)(HWND, MSG*))                                                  \
    X(getWindowLongPtr, LONG_PTR(WINAPI*)(HWND, int))                                              \
    X(setWindowLongPtr, LONG_PTR(WINAPI*)(HWND, int, LONG_PTR))                                    \
    X(findWindow, HWND (*)(HWND after, const std::string& title))                                  \
    /* Text of windows, lists, tooltips, fonts and drawing. */                                    \
    X(setText, void (*)(HWND, const std::string&))                                                 \
    X(getText, std::string (*)(HWND))                                                              \
    X(insertItem, void (*)(HWND combo, int index, const std::string& item))                        \
    X(addTool, void (*)(HWND tooltip, HWND owner, HWND tool, const std::string& tip))              \
    X(createFont, HFONT (*)(int height, int weight, BYTE charSet, const std::string& face))        \
    X(drawText, int (*)(HDC, const std::string&, RECT*, UINT format))                              \
    X(messageBox, int (*)(HWND owner, const std::string& text, const std::string& caption,         \
                          UINT type))                                                              \
    /* Files and programs. */                                                                     \
    X(createFile, HANDLE (*)(const std::string& path, DWORD access, DWORD share,                   \
                             DWORD disposition))                                                   \
    X(deleteFile, BOOL (*)(const std::string& path))                                               \
    X(fileAttributes, DWORD (*)(const std::string& path))                                          \
    X(createDirectory, BOOL (*)(const std::string& path))                                          \
    /* Puts from in to's place, to gone whatever happens to from. */                              \
    X(moveReplacing, BOOL (*)(const std::string& from, const std::string& to))                     \
    X(moduleFileName, std::string (*)())                                                           \
    /* application may be empty: the command line names the program; folder may be empty: the     \
       new program starts in this one's. */                                                       \
    X(createProcess, BOOL (*)(const std::string& application, const std::string& commandLine,      \
                              const std::string& folder, PROCESS_INFORMATION* started))            \
    /* The full path of the file a program name stands for, where starting it would look (".exe"  \
       added to a name without an extension); empty when there is none. */                        \
    X(searchPath, std::string (*)(const std::string& name))                                        \
    /* Opens a program through the shell, which asks the user for consent where it needs          \
       administrator rights, in front of owner; false when it did not start (ERROR_CANCELLED: the \
       user said no). */                                                                          \
    X(shellExecute, BOOL (*)(HWND owner, const std::string& file, const std::string& parameters,   \
                             const std::string& folder))                                           \
    /* CSIDL_LOCAL_APPDATA, made if it is missing; empty where the system has no such folder. */  \
    X(localAppData, std::string (*)())                                                             \
    X(lookupPrivilegeValue, BOOL (*)(const std::string& system, const std::string& name,           \
                                     LUID* luid))                                                  \
    /* The logged-on user's name; empty where there is none (95/98/Me without a logon). */        \
    X(userName, std::string (*)())                                                                 \
    X(htmlHelp, void (*)(HWND owner, const std::string& path, UINT command, DWORD_PTR data))       \
    /* The system's description of an error code, in the user's language, without the line break \
       it ends with; empty when it has none. */                                                   \
    X(errorText, std::string (*)(DWORD code))

struct TextCalls {
    bool wide;
#define CORVELL_MEMBER(name, ...) std::type_identity_t<__VA_ARGS__> name;
    CORVELL_TEXT_CALLS(CORVELL_MEMBER)
#undef CORVELL_MEMBER
};

// The table in use; the ANSI one until chooseTextCalls picks.
const TextCalls& calls();

// The wide calls on the NT family (bit 31 of GetVersion clear), where every
// one of them is found; otherwise the ANSI calls.
void chooseTextCalls(DWORD version);

// For tests: one table or the other, whatever the system; or a table of
// the test's own (null: back to the chosen one).
void useTextCalls(bool wide);
void useTextCalls(const TextCalls* table);

}  // namespace corvell::win32
