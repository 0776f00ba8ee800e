// The system calls that carry text, or whose messages do: the wide (W)
// functions on the NT family, so the Chinese interface shows whatever the
// system's code page; the ANSI (A) functions on Windows 95/98/Me, where
// nearly every W function is a stub that fails. One table, chosen once at
// start-up; the rest of the Win32 layer calls through it and never asks
// which family it runs on. Text in and out is UTF-8.
//
// Only A functions, functions without text and the few W functions that
// Windows 98 implements are imported by name; the W functions are looked
// up at run time, so the program loads on both families.
#pragma once

#include <windows.h>

#include <string>

namespace corvell::win32 {

struct TextCalls {
    bool wide;

    // Windows and their messages.
    ATOM (*registerClass)(WNDPROC proc, HICON icon, HCURSOR cursor, const char* name);
    // At place (in its parent's client area) or, without one, a top-level
    // window (no parent) at the default place, 100 pixels square, a child
    // at 0, 0 with no size; id is a child's control ID.
    HWND (*createWindow)(DWORD exStyle, const char* className, const std::string& text,
                         DWORD style, HWND parent, int id, const RECT* place, void* param);
    LRESULT(WINAPI* defWindowProc)(HWND, UINT, WPARAM, LPARAM);
    LRESULT(WINAPI* callWindowProc)(WNDPROC, HWND, UINT, WPARAM, LPARAM);
    LRESULT(WINAPI* sendMessage)(HWND, UINT, WPARAM, LPARAM);
    BOOL(WINAPI* postMessage)(HWND, UINT, WPARAM, LPARAM);
    BOOL(WINAPI* getMessage)(MSG*, HWND, UINT, UINT);
    BOOL(WINAPI* peekMessage)(MSG*, HWND, UINT, UINT, UINT);
    LRESULT(WINAPI* dispatchMessage)(const MSG*);
    BOOL(WINAPI* isDialogMessage)(HWND, MSG*);
    LONG_PTR(WINAPI* getWindowLongPtr)(HWND, int);
    LONG_PTR(WINAPI* setWindowLongPtr)(HWND, int, LONG_PTR);
    HWND (*findWindow)(HWND after, const std::string& title);

    // Text of windows, lists, tooltips, fonts and drawing.
    void (*setText)(HWND, const std::string&);
    std::string (*getText)(HWND);
    void (*insertItem)(HWND combo, int index, const std::string& item);
    void (*addTool)(HWND tooltip, HWND owner, HWND tool, const std::string& tip);
    HFONT (*createFont)(int height, int weight, BYTE charSet, const std::string& face);
    int (*drawText)(HDC, const std::string&, RECT*, UINT format);
    int (*messageBox)(HWND owner, const std::string& text, const std::string& caption, UINT type);

    // Files and programs.
    HANDLE (*createFile)(const std::string& path, DWORD access, DWORD share, DWORD disposition);
    BOOL (*deleteFile)(const std::string& path);
    DWORD (*fileAttributes)(const std::string& path);
    BOOL (*createDirectory)(const std::string& path);
    // Puts from in to's place, to gone whatever happens to from.
    BOOL (*moveReplacing)(const std::string& from, const std::string& to);
    std::string (*moduleFileName)();
    // application may be empty: the command line names the program;
    // folder may be empty: the new program starts in this one's.
    BOOL (*createProcess)(const std::string& application, const std::string& commandLine,
                          const std::string& folder, PROCESS_INFORMATION* started);
    // The full path of the file a program name stands for, where starting
    // it would look (".exe" added to a name without an extension); empty
    // when there is none.
    std::string (*searchPath)(const std::string& name);
    // Opens a program through the shell, which asks the user for consent
    // where it needs administrator rights, in front of owner; false when it
    // did not start (ERROR_CANCELLED: the user said no).
    BOOL (*shellExecute)(HWND owner, const std::string& file, const std::string& parameters,
                         const std::string& folder);
    // CSIDL_LOCAL_APPDATA, made if it is missing; empty where the system
    // has no such folder.
    std::string (*localAppData)();
    BOOL (*lookupPrivilegeValue)(const std::string& system, const std::string& name, LUID* luid);
    // The logged-on user's name; empty where there is none (95/98/Me
    // without a logon).
    std::string (*userName)();
    void (*htmlHelp)(HWND owner, const std::string& path, UINT command, DWORD_PTR data);
    // The system's description of an error code, in the user's language,
    // without the line break it ends with; empty when it has none.
    std::string (*errorText)(DWORD code);
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
