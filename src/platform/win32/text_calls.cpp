#include "platform/win32/text_calls.h"

#include <commctrl.h>
#include <shellapi.h>

#include <vector>

#include "platform/win32/system_functions.h"
#include "platform/win32/wide.h"

namespace corvell::win32 {

namespace {

HINSTANCE self() { return GetModuleHandleA(nullptr); }

RECT placeOf(HWND parent, const RECT* place) {
    if (place != nullptr) return *place;
    return parent == nullptr ? RECT{CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT + 100, CW_USEDEFAULT + 100}
                             : RECT{0, 0, 0, 0};
}
HMENU childId(HWND parent, int id) {
    return parent == nullptr ? nullptr : reinterpret_cast<HMENU>(static_cast<INT_PTR>(id));
}

// CSIDL_LOCAL_APPDATA, made if missing (a profile made without it;
// shfolder.dll on 95/98).
constexpr int kLocalAppData = 0x001C | 0x8000;

// A system message is one sentence or two; inserts are never filled in.
constexpr DWORD kErrorTextFlags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
constexpr DWORD kErrorTextMax = 512;

template <class Text>
Text trimmedEnd(Text text, DWORD length) {
    text.resize(length < text.size() ? length : 0);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) {
        text.pop_back();
    }
    return text;
}

// ---------------------------------------------------------------- ANSI

namespace ansi {

std::string acp(const std::string& utf8) { return narrow(widen(utf8), CP_ACP); }
std::string utf8(const std::string& text) { return narrow(widen(text, CP_ACP)); }

ATOM registerClass(WNDPROC proc, HICON icon, HCURSOR cursor, const char* name) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = proc;
    wc.hInstance = self();
    wc.hIcon = icon;
    wc.hCursor = cursor;
    wc.lpszClassName = name;
    return RegisterClassExA(&wc);
}

HWND createWindow(DWORD ex, const char* cls, const std::string& text, DWORD style, HWND parent,
                  int id, const RECT* place, void* param) {
    const RECT r = placeOf(parent, place);
    return CreateWindowExA(ex, cls, acp(text).c_str(), style, r.left, r.top, r.right - r.left,
                           r.bottom - r.top, parent, childId(parent, id), self(), param);
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

#ifdef _WIN64
const auto kGetWindowLongPtr = &GetWindowLongPtrA;
const auto kSetWindowLongPtr = &SetWindowLongPtrA;
#else
const auto kGetWindowLongPtr = &GetWindowLongA;
const auto kSetWindowLongPtr = &SetWindowLongA;
#endif

const TextCalls kCalls{
    false,
    registerClass,
    createWindow,
    DefWindowProcA,
    CallWindowProcA,
    SendMessageA,
    PostMessageA,
    GetMessageA,
    PeekMessageA,
    DispatchMessageA,
    IsDialogMessageA,
    kGetWindowLongPtr,
    kSetWindowLongPtr,
    findWindow,
    setText,
    getText,
    insertItem,
    addTool,
    createFont,
    drawText,
    messageBox,
    createFile,
    deleteFile,
    fileAttributes,
    createDirectory,
    moveReplacing,
    moduleFileName,
    createProcess,
    searchPath,
    shellExecute,
    localAppData,
    lookupPrivilegeValue,
    userName,
    htmlHelp,
    errorText,
};

}  // namespace ansi

// ---------------------------------------------------------------- wide

namespace wide {

// Windows 95/98/Me export most of them as stubs, or not at all. Every
// function or none: a table half wide and half ANSI would mix the two kinds
// of window.
bool load() {
#define CORVELL_FOUND(library, name, ...) &&static_cast<bool>(sys::name)
    return true CORVELL_WIDE_FUNCTIONS(CORVELL_FOUND);
#undef CORVELL_FOUND
}

ATOM registerClass(WNDPROC proc, HICON icon, HCURSOR cursor, const char* name) {
    const std::wstring cls = widen(name);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = proc;
    wc.hInstance = self();
    wc.hIcon = icon;
    wc.hCursor = cursor;
    wc.lpszClassName = cls.c_str();
    return sys::RegisterClassExW(&wc);
}

HWND createWindow(DWORD ex, const char* cls, const std::string& text, DWORD style, HWND parent,
                  int id, const RECT* place, void* param) {
    const RECT r = placeOf(parent, place);
    return sys::CreateWindowExW(ex, widen(cls).c_str(), widen(text).c_str(), style, r.left, r.top,
                                r.right - r.left, r.bottom - r.top, parent, childId(parent, id),
                                self(), param);
}

HWND findWindow(HWND after, const std::string& title) {
    return sys::FindWindowExW(nullptr, after, nullptr, widen(title).c_str());
}

void setText(HWND h, const std::string& text) { sys::SetWindowTextW(h, widen(text).c_str()); }

std::string getText(HWND h) {
    std::vector<wchar_t> buf(static_cast<size_t>(sys::GetWindowTextLengthW(h)) + 1, L'\0');
    const int n = sys::GetWindowTextW(h, buf.data(), static_cast<int>(buf.size()));
    return narrow(std::wstring(buf.data(), static_cast<size_t>(n > 0 ? n : 0)));
}

void insertItem(HWND combo, int index, const std::string& item) {
    sys::SendMessageW(combo, CB_INSERTSTRING, static_cast<WPARAM>(index),
                   reinterpret_cast<LPARAM>(widen(item).c_str()));
}

void addTool(HWND tooltip, HWND owner, HWND tool, const std::string& tip) {
    std::wstring text = widen(tip);
    TOOLINFOW ti{};
    ti.cbSize = TTTOOLINFOW_V1_SIZE;
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = owner;
    ti.uId = reinterpret_cast<UINT_PTR>(tool);
    ti.lpszText = text.data();
    sys::SendMessageW(tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
}

HFONT createFont(int height, int weight, BYTE charSet, const std::string& face) {
    return sys::CreateFontW(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, charSet, OUT_DEFAULT_PRECIS,
                         CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                         widen(face).c_str());
}

int drawText(HDC dc, const std::string& text, RECT* r, UINT format) {
    return sys::DrawTextW(dc, widen(text).c_str(), -1, r, format);
}

// MessageBoxW is real on every system.
int messageBox(HWND owner, const std::string& text, const std::string& caption, UINT type) {
    return MessageBoxW(owner, widen(text).c_str(), widen(caption).c_str(), type);
}

HANDLE createFile(const std::string& path, DWORD access, DWORD share, DWORD disposition) {
    return sys::CreateFileW(widen(path).c_str(), access, share, nullptr, disposition,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
}

BOOL deleteFile(const std::string& path) { return sys::DeleteFileW(widen(path).c_str()); }

DWORD fileAttributes(const std::string& path) {
    return sys::GetFileAttributesW(widen(path).c_str());
}

BOOL createDirectory(const std::string& path) {
    return sys::CreateDirectoryW(widen(path).c_str(), nullptr);
}

BOOL moveReplacing(const std::string& from, const std::string& to) {
    return sys::MoveFileExW(widen(from).c_str(), widen(to).c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

std::string moduleFileName() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = sys::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n < path.size()) {
            path.resize(n);
            return narrow(path);
        }
        path.resize(path.size() * 2);
    }
}

BOOL createProcess(const std::string& application, const std::string& commandLine,
                   const std::string& folder, PROCESS_INFORMATION* started) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_SHOWNORMAL;
    const std::wstring app = widen(application);
    const std::wstring dir = widen(folder);
    std::wstring cmd = widen(commandLine);
    return sys::CreateProcessW(app.empty() ? nullptr : app.c_str(), cmd.data(), nullptr, nullptr,
                            FALSE, 0, nullptr, dir.empty() ? nullptr : dir.c_str(), &si, started);
}

std::string searchPath(const std::string& name) {
    // Long paths exist on NT: ask again with the size it needs.
    std::wstring found(MAX_PATH, L'\0');
    wchar_t* file = nullptr;
    const std::wstring n = widen(name);
    for (;;) {
        const DWORD len = sys::SearchPathW(nullptr, n.c_str(), L".exe",
                                        static_cast<DWORD>(found.size()), found.data(), &file);
        if (len == 0) return {};
        if (len < found.size()) {
            found.resize(len);
            return narrow(found);
        }
        found.resize(len);
    }
}

BOOL shellExecute(HWND owner, const std::string& file, const std::string& parameters,
                  const std::string& folder) {
    const std::wstring f = widen(file), p = widen(parameters), d = widen(folder);
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_FLAG_DDEWAIT;
    info.hwnd = owner;
    info.lpVerb = L"open";
    info.lpFile = f.c_str();
    info.lpParameters = p.empty() ? nullptr : p.c_str();
    info.lpDirectory = d.empty() ? nullptr : d.c_str();
    info.nShow = SW_SHOWNORMAL;
    return sys::ShellExecuteExW && sys::ShellExecuteExW(&info);
}

std::string localAppData() {
    wchar_t dir[MAX_PATH] = L"";
    if (!sys::SHGetFolderPathW || sys::SHGetFolderPathW(nullptr, kLocalAppData, nullptr, 0, dir) != S_OK) {
        return {};
    }
    return narrow(dir);
}

BOOL lookupPrivilegeValue(const std::string& system, const std::string& name, LUID* luid) {
    return sys::LookupPrivilegeValueW &&
           sys::LookupPrivilegeValueW(widen(system).c_str(), widen(name).c_str(), luid);
}

std::string userName() {
    wchar_t name[257] = L"";
    DWORD size = 257;
    return sys::GetUserNameW && sys::GetUserNameW(name, &size) ? narrow(name) : std::string();
}

void htmlHelp(HWND owner, const std::string& path, UINT command, DWORD_PTR data) {
    if (sys::HtmlHelpW) sys::HtmlHelpW(owner, widen(path).c_str(), command, data);
}

std::string errorText(DWORD code) {
    std::wstring text(kErrorTextMax, L'\0');
    const DWORD n =
        sys::FormatMessageW(kErrorTextFlags, nullptr, code, 0, text.data(), kErrorTextMax, nullptr);
    return narrow(trimmedEnd(text, n));
}

// Message calls go straight to the system's functions.
LRESULT WINAPI defWindowProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    return sys::DefWindowProcW(h, m, wp, lp);
}
LRESULT WINAPI callWindowProc(WNDPROC p, HWND h, UINT m, WPARAM wp, LPARAM lp) {
    return sys::CallWindowProcW(p, h, m, wp, lp);
}
LRESULT WINAPI sendMessage(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    return sys::SendMessageW(h, m, wp, lp);
}
BOOL WINAPI postMessage(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    return sys::PostMessageW(h, m, wp, lp);
}
BOOL WINAPI getMessage(MSG* msg, HWND h, UINT lo, UINT hi) { return sys::GetMessageW(msg, h, lo, hi); }
BOOL WINAPI peekMessage(MSG* msg, HWND h, UINT lo, UINT hi, UINT remove) {
    return sys::PeekMessageW(msg, h, lo, hi, remove);
}
LRESULT WINAPI dispatchMessage(const MSG* msg) { return sys::DispatchMessageW(msg); }
BOOL WINAPI isDialogMessage(HWND h, MSG* msg) { return sys::IsDialogMessageW(h, msg); }
#ifdef _WIN64
LONG_PTR WINAPI getWindowLongPtr(HWND h, int i) { return sys::GetWindowLongPtrW(h, i); }
LONG_PTR WINAPI setWindowLongPtr(HWND h, int i, LONG_PTR v) { return sys::SetWindowLongPtrW(h, i, v); }
#else
LONG_PTR WINAPI getWindowLongPtr(HWND h, int i) { return sys::GetWindowLongW(h, i); }
LONG_PTR WINAPI setWindowLongPtr(HWND h, int i, LONG_PTR v) { return sys::SetWindowLongW(h, i, v); }
#endif

const TextCalls kCalls{
    true,
    registerClass,
    createWindow,
    defWindowProc,
    callWindowProc,
    sendMessage,
    postMessage,
    getMessage,
    peekMessage,
    dispatchMessage,
    isDialogMessage,
    getWindowLongPtr,
    setWindowLongPtr,
    findWindow,
    setText,
    getText,
    insertItem,
    addTool,
    createFont,
    drawText,
    messageBox,
    createFile,
    deleteFile,
    fileAttributes,
    createDirectory,
    moveReplacing,
    moduleFileName,
    createProcess,
    searchPath,
    shellExecute,
    localAppData,
    lookupPrivilegeValue,
    userName,
    htmlHelp,
    errorText,
};

}  // namespace wide

const TextCalls* g_chosen = &ansi::kCalls;
const TextCalls* g_calls = g_chosen;

}  // namespace

const TextCalls& calls() { return *g_calls; }

void chooseTextCalls(DWORD version) { useTextCalls((version & 0x80000000u) == 0); }

void useTextCalls(bool wide) {
    static const bool found = wide::load();
    g_chosen = g_calls = wide && found ? &wide::kCalls : &ansi::kCalls;
}

void useTextCalls(const TextCalls* table) { g_calls = table != nullptr ? table : g_chosen; }

}  // namespace corvell::win32
