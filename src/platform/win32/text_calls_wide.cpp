// The text calls of the NT family: the wide (W) functions, found at run
// time, with text in UTF-16.
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <vector>

#include "platform/win32/system_functions.h"
#include "platform/win32/text_calls_shared.h"
#include "platform/win32/wide.h"
#include "platform/win32/window.h"

namespace corvell::win32::wide {

// Windows 95/98/Me export most of them as stubs, or not at all. Every
// function or none: a table half wide and half ANSI would mix the two kinds
// of window.
bool load() {
#define CORVELL_FOUND(library, name, ...) &&static_cast<bool>(sys::name)
    return true CORVELL_WIDE_FUNCTIONS(CORVELL_FOUND);
#undef CORVELL_FOUND
}

namespace {

ATOM registerClass(WNDPROC proc, HICON icon, HCURSOR cursor, const char* name) {
    const std::wstring cls = widen(name);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = proc;
    wc.hInstance = instance();
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
                                instance(), param);
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

}  // namespace

#define CORVELL_ENTRY(name, ...) .name = wide::name,
const TextCalls kCalls{.wide = true, CORVELL_TEXT_CALLS(CORVELL_ENTRY)};
#undef CORVELL_ENTRY

}  // namespace corvell::win32::wide
