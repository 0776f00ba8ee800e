// The text calls of Windows 95/98/Me: the ANSI (A) functions, with text
// in the ANSI code page.
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <vector>

#include "platform/win32/system_functions.h"
#include "platform/win32/text_calls_shared.h"
#include "platform/win32/wide.h"
#include "platform/win32/window.h"

namespace corvell::win32::ansi {

namespace {

std::string acp(const std::string& utf8) { return narrow(widen(utf8), CP_ACP); }
std::string utf8(const std::string& text) { return narrow(widen(text, CP_ACP)); }

ATOM registerClass(WNDPROC proc, HICON icon, HCURSOR cursor, const char* name) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = proc;
    wc.hInstance = instance();
    wc.hIcon = icon;
    wc.hCursor = cursor;
    wc.lpszClassName = name;
    return RegisterClassExA(&wc);
}

HWND createWindow(DWORD ex, const char* cls, const std::string& text, DWORD style, HWND parent,
                  int id, const RECT* place, void* param) {
    const RECT r = placeOf(parent, place);
    return CreateWindowExA(ex, cls, acp(text).c_str(), style, r.left, r.top, r.right - r.left,
                           r.bottom - r.top, parent, childId(parent, id), instance(), param);
}

HWND findWindow(HWND after, const std::string& title) {
    return FindWindowExA(nullptr, after, nullptr, acp(title).c_str());
}

void setText(HWND h, const std::string& text) { SetWindowTextA(h, acp(text).c_str()); }

std::string getText(HWND h) {
    std::vector<char> buf(static_cast<size_t>(GetWindowTextLengthA(h)) + 1, '\0');
    const int n = GetWindowTextA(h, buf.data(), static_cast<int>(buf.size()));
    return utf8(std::string(buf.data(), static_cast<size_t>(n > 0 ? n : 0)));
}

void insertItem(HWND combo, int index, const std::string& item) {
    SendMessageA(combo, CB_INSERTSTRING, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(acp(item).c_str()));
}

void addTool(HWND tooltip, HWND owner, HWND tool, const std::string& tip) {
    std::string text = acp(tip);
    TOOLINFOA ti{};
    ti.cbSize = TTTOOLINFOA_V1_SIZE;  // what every comctl32 takes
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = owner;
    ti.uId = reinterpret_cast<UINT_PTR>(tool);
    ti.lpszText = text.data();
    SendMessageA(tooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
}

HFONT createFont(int height, int weight, BYTE charSet, const std::string& face) {
    return CreateFontA(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, charSet, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                       acp(face).c_str());
}

int drawText(HDC dc, const std::string& text, RECT* r, UINT format) {
    return DrawTextA(dc, acp(text).c_str(), -1, r, format);
}

int messageBox(HWND owner, const std::string& text, const std::string& caption, UINT type) {
    return MessageBoxA(owner, acp(text).c_str(), acp(caption).c_str(), type);
}

HANDLE createFile(const std::string& path, DWORD access, DWORD share, DWORD disposition) {
    return CreateFileA(acp(path).c_str(), access, share, nullptr, disposition,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

BOOL deleteFile(const std::string& path) { return DeleteFileA(acp(path).c_str()); }

DWORD fileAttributes(const std::string& path) { return GetFileAttributesA(acp(path).c_str()); }

BOOL createDirectory(const std::string& path) {
    return CreateDirectoryA(acp(path).c_str(), nullptr);
}

// MoveFileEx is a stub on Windows 95/98/Me. The old file is moved aside
// rather than deleted, so that it comes back if the new one can't take its
// place.
BOOL moveReplacing(const std::string& from, const std::string& to) {
    const std::string source = acp(from);
    const std::string target = acp(to);
    const std::string aside = target + ".old";
    const bool had = GetFileAttributesA(target.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (had) {
        DeleteFileA(aside.c_str());
        if (!MoveFileA(target.c_str(), aside.c_str())) return FALSE;
    }
    if (!MoveFileA(source.c_str(), target.c_str())) {
        const DWORD error = GetLastError();
        if (had) MoveFileA(aside.c_str(), target.c_str());
        SetLastError(error);
        return FALSE;
    }
    if (had) DeleteFileA(aside.c_str());
    return TRUE;
}

std::string moduleFileName() {
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD n = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n < path.size()) {
            path.resize(n);
            return utf8(path);
        }
        path.resize(path.size() * 2);
    }
}

BOOL createProcess(const std::string& application, const std::string& commandLine,
                   const std::string& folder, PROCESS_INFORMATION* started) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_SHOWNORMAL;
    const std::string app = acp(application);
    const std::string dir = acp(folder);
    std::string cmd = acp(commandLine);
    return CreateProcessA(app.empty() ? nullptr : app.c_str(), cmd.data(), nullptr, nullptr, FALSE,
                          0, nullptr, dir.empty() ? nullptr : dir.c_str(), &si, started);
}

std::string searchPath(const std::string& name) {
    char found[MAX_PATH];
    char* file = nullptr;
    const DWORD n = SearchPathA(nullptr, acp(name).c_str(), ".exe", MAX_PATH, found, &file);
    return n > 0 && n < MAX_PATH ? utf8(found) : std::string();
}

BOOL shellExecute(HWND owner, const std::string& file, const std::string& parameters,
                  const std::string& folder) {
    const std::string f = acp(file), p = acp(parameters), d = acp(folder);
    SHELLEXECUTEINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_FLAG_DDEWAIT;
    info.hwnd = owner;
    info.lpVerb = "open";
    info.lpFile = f.c_str();
    info.lpParameters = p.empty() ? nullptr : p.c_str();
    info.lpDirectory = d.empty() ? nullptr : d.c_str();
    info.nShow = SW_SHOWNORMAL;
    return sys::ShellExecuteExA && sys::ShellExecuteExA(&info);
}

std::string localAppData() {
    char dir[MAX_PATH] = "";
    if (!sys::SHGetFolderPathA || sys::SHGetFolderPathA(nullptr, kLocalAppData, nullptr, 0, dir) != S_OK) {
        return {};
    }
    return utf8(dir);
}

BOOL lookupPrivilegeValue(const std::string& system, const std::string& name, LUID* luid) {
    return sys::LookupPrivilegeValueA &&
           sys::LookupPrivilegeValueA(acp(system).c_str(), acp(name).c_str(), luid);
}

std::string userName() {
    char name[257] = "";  // UNLEN + 1
    DWORD size = sizeof name;
    return sys::GetUserNameA && sys::GetUserNameA(name, &size) ? utf8(name) : std::string();
}

void htmlHelp(HWND owner, const std::string& path, UINT command, DWORD_PTR data) {
    if (sys::HtmlHelpA) sys::HtmlHelpA(owner, acp(path).c_str(), command, data);
}

std::string errorText(DWORD code) {
    std::string text(kErrorTextMax, '\0');
    const DWORD n =
        FormatMessageA(kErrorTextFlags, nullptr, code, 0, text.data(), kErrorTextMax, nullptr);
    return utf8(trimmedEnd(text, n));
}

// The message calls are the system's own.
const auto& defWindowProc = DefWindowProcA;
const auto& callWindowProc = CallWindowProcA;
const auto& sendMessage = SendMessageA;
const auto& postMessage = PostMessageA;
const auto& getMessage = GetMessageA;
const auto& peekMessage = PeekMessageA;
const auto& dispatchMessage = DispatchMessageA;
const auto& isDialogMessage = IsDialogMessageA;
#ifdef _WIN64
const auto& getWindowLongPtr = GetWindowLongPtrA;
const auto& setWindowLongPtr = SetWindowLongPtrA;
#else
const auto& getWindowLongPtr = GetWindowLongA;
const auto& setWindowLongPtr = SetWindowLongA;
#endif

}  // namespace

#define CORVELL_ENTRY(name, ...) .name = ansi::name,
const TextCalls kCalls{.wide = false, CORVELL_TEXT_CALLS(CORVELL_ENTRY)};
#undef CORVELL_ENTRY

}  // namespace corvell::win32::ansi
