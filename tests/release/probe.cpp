// Reads what the installer left the way Windows itself reads it, and prints
// it for run-release.sh to judge. One fact a line, UTF-8.
//   probe folders                  programs=, startup=, localappdata=, programfiles=
//   probe link FILE.lnk            target=, workdir=
//   probe version FILE.exe         fileversion=, productversion=, fixed=, fileos=, company=
//   probe uninstall-entry HKCU|HKLM    the entry's values, or "absent"
//   probe main-caption             the main window's caption, as its design has it
//   probe count TITLE              count=, pids= of the windows so titled
//   probe window TITLE SECONDS     exe= of the process showing a window so titled
//   probe page TITLE TEXT SECONDS  takes the installer so titled with Next to the
//                                  page showing TEXT: state=checked|unchecked, rect=
//   probe box TEXT SECONDS         rect= of a message box beginning with TEXT
//   probe press TEXT BUTTON SECONDS  presses button 1 (OK, Next) or 2 (Cancel) there
//   probe shown TITLE TEXT         shown=yes|no: that window shows a control so named
#include <windows.h>

#include <shlobj.h>
#include <shobjidl.h>

#include <cstdio>
#include <string>
#include <vector>

#include "driver.h"
#include "ui/form0.h"

namespace {

void out(const std::wstring& line) {
    const std::string bytes = e2e::narrow(line + L"\n");
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()),
              &written, nullptr);
}

int folders() {
    const struct {
        const wchar_t* name;
        int csidl;
    } list[] = {{L"programs", CSIDL_PROGRAMS},
                {L"startup", CSIDL_STARTUP},
                {L"localappdata", CSIDL_LOCAL_APPDATA},
                {L"programfiles", CSIDL_PROGRAM_FILES}};
    for (const auto& f : list) {
        wchar_t path[MAX_PATH] = {};
        if (FAILED(SHGetFolderPathW(nullptr, f.csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return 1;
        out(std::wstring(f.name) + L"=" + path);
    }
    return 0;
}

int link(const wchar_t* file) {
    if (FAILED(CoInitialize(nullptr))) return 1;
    IShellLinkW* shellLink = nullptr;
    IPersistFile* persist = nullptr;
    int rc = 1;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&shellLink))) &&
        SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist))) &&
        SUCCEEDED(persist->Load(file, STGM_READ))) {
        wchar_t target[MAX_PATH] = {}, dir[MAX_PATH] = {};
        shellLink->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
        shellLink->GetWorkingDirectory(dir, MAX_PATH);
        out(std::wstring(L"target=") + target);
        out(std::wstring(L"workdir=") + dir);
        rc = 0;
    }
    if (persist) persist->Release();
    if (shellLink) shellLink->Release();
    CoUninitialize();
    return rc;
}

int version(const wchar_t* file) {
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(file, &ignored);
    if (size == 0) return 1;
    std::string block(size, '\0');
    if (!GetFileVersionInfoW(file, 0, size, block.data())) return 1;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT len = 0;
    if (!VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &len)) return 1;
    wchar_t buf[64];
    swprintf(buf, 64, L"fixed=%u.%u.%u.%u", HIWORD(fixed->dwFileVersionMS),
             LOWORD(fixed->dwFileVersionMS), HIWORD(fixed->dwFileVersionLS),
             LOWORD(fixed->dwFileVersionLS));
    out(buf);
    swprintf(buf, 64, L"fileos=0x%08lx", fixed->dwFileOS);
    out(buf);
    for (const wchar_t* key : {L"FileVersion", L"ProductVersion", L"CompanyName"}) {
        std::wstring q = std::wstring(L"\\StringFileInfo\\080404b0\\") + key;
        wchar_t* value = nullptr;
        if (VerQueryValueW(block.data(), q.c_str(), reinterpret_cast<void**>(&value), &len))
            out(std::wstring(key) + L"=" + value);
    }
    return 0;
}

int uninstallEntry(const wchar_t* rootName) {
    HKEY root = std::wstring(rootName) == L"HKLM" ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    HKEY key;
    if (RegOpenKeyExW(root, L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Corvell", 0,
                      KEY_READ, &key) != ERROR_SUCCESS) {
        out(L"absent");
        return 0;
    }
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD nameLen = 256, type = 0;
        BYTE data[2048];
        DWORD dataLen = sizeof data - sizeof(wchar_t);
        if (RegEnumValueW(key, i, name, &nameLen, nullptr, &type, data, &dataLen) != ERROR_SUCCESS)
            break;
        if (type == REG_SZ) {
            data[dataLen] = data[dataLen + 1] = 0;
            out(std::wstring(name) + L"=" + reinterpret_cast<wchar_t*>(data));
        } else if (type == REG_DWORD) {
            out(std::wstring(name) + L"=" + std::to_wstring(*reinterpret_cast<DWORD*>(data)));
        }
    }
    RegCloseKey(key);
    return 0;
}

// The visible windows with this text (NSIS ends its caption with a space):
// all of it or, with prefix, its beginning; with byChild, the top-level
// windows that show a visible child beginning so (a message box, say).
struct Search {
    std::wstring text;
    bool prefix = false, byChild = false;
    std::vector<HWND> all{};
    HWND first() const { return all.empty() ? nullptr : all.front(); }
};

std::wstring textOf(HWND w) {
    wchar_t text[512] = {};
    GetWindowTextW(w, text, 512);
    std::wstring t = text;
    while (!t.empty() && t.back() == L' ') t.pop_back();
    return t;
}

HWND visibleChild(HWND parent, const std::wstring& text, bool prefix = false);

BOOL CALLBACK findVisible(HWND w, LPARAM lp) {
    auto* s = reinterpret_cast<Search*>(lp);
    if (!IsWindowVisible(w)) return TRUE;
    const std::wstring t = textOf(w);
    const bool match = s->byChild  ? visibleChild(w, s->text, true) != nullptr
                       : s->prefix ? t.starts_with(s->text)
                                   : t == s->text;
    if (match) s->all.push_back(w);
    return TRUE;
}

HWND visibleChild(HWND parent, const std::wstring& text, bool prefix) {
    Search s{text, prefix};
    EnumChildWindows(parent, findVisible, reinterpret_cast<LPARAM>(&s));
    return s.first();
}

// The first top-level window so found, waited for until the time is up.
HWND waitTopLevel(Search s, DWORD until) {
    for (;;) {
        EnumWindows(findVisible, reinterpret_cast<LPARAM>(&s));
        if (s.first() || GetTickCount() >= until) return s.first();
        Sleep(100);
    }
}

void outRect(HWND w) {
    RECT r;
    GetWindowRect(w, &r);
    wchar_t buf[64];
    swprintf(buf, 64, L"rect=%ld,%ld,%ld,%ld", r.left, r.top, r.right - r.left, r.bottom - r.top);
    out(buf);
}

int window(const wchar_t* title, DWORD until) {
    DWORD pid = 0;
    if (HWND w = waitTopLevel({title}, until)) GetWindowThreadProcessId(w, &pid);
    HANDLE process = pid != 0 ? OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid) : nullptr;
    if (!process) return 1;
    wchar_t exe[MAX_PATH] = {};
    DWORD len = MAX_PATH;
    QueryFullProcessImageNameW(process, 0, exe, &len);
    CloseHandle(process);
    out(std::wstring(L"exe=") + exe);
    return 0;
}

// How many windows so titled are shown, and by which processes.
int count(const wchar_t* title) {
    Search s{title};
    EnumWindows(findVisible, reinterpret_cast<LPARAM>(&s));
    std::wstring pids;
    for (HWND w : s.all) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        pids += (pids.empty() ? L"" : L",") + std::to_wstring(pid);
    }
    out(L"count=" + std::to_wstring(s.all.size()));
    out(L"pids=" + pids);
    return 0;
}

// Takes the installer so titled from page to page with Next until one
// shows a control with this text: its check state and the installer's place.
int page(const wchar_t* title, const wchar_t* text, DWORD until) {
    HWND w = waitTopLevel({title}, until);
    if (!w) return 1;
    HWND found = nullptr;
    DWORD lastClick = 0;
    while (!(found = visibleChild(w, text)) && GetTickCount() < until) {
        // Never behind a message box: the installer is disabled then.
        HWND next = GetDlgItem(w, IDOK);
        if (IsWindowEnabled(w) && next && IsWindowEnabled(next) &&
            GetTickCount() - lastClick > 1500) {
            PostMessageW(next, BM_CLICK, 0, 0);
            lastClick = GetTickCount();
        }
        Sleep(100);
    }
    if (!found) return 1;
    Sleep(500);  // let the page finish painting before the picture
    const LRESULT state = SendMessageW(found, BM_GETCHECK, 0, 0);
    out(state == BST_CHECKED ? L"state=checked" : L"state=unchecked");
    outRect(w);
    return 0;
}

// A message box beginning with this text: its place.
int box(const wchar_t* text, DWORD until) {
    HWND w = waitTopLevel({.text = text, .byChild = true}, until);
    if (!w) return 1;
    Sleep(500);
    outRect(w);
    return 0;
}

// Presses a button (1: OK, Next or Finish; 2: Cancel) of the window that
// shows this text, then waits for that window to go, change, or give way
// to a message box of its own.
int press(const wchar_t* text, int button, DWORD until) {
    HWND w = waitTopLevel({.text = text, .byChild = true}, until);
    if (!w) return 1;
    PostMessageW(GetDlgItem(w, button), BM_CLICK, 0, 0);
    const auto waiting = [&] {
        return IsWindow(w) && IsWindowEnabled(w) && visibleChild(w, text, true) != nullptr;
    };
    while (waiting() && GetTickCount() < until) Sleep(100);
    return waiting() ? 1 : 0;
}

// Whether the window so titled shows a control with this text.
int shown(const wchar_t* title, const wchar_t* text) {
    HWND w = waitTopLevel({title}, GetTickCount() + 2000);
    out(w != nullptr && visibleChild(w, text) != nullptr ? L"shown=yes" : L"shown=no");
    return w != nullptr ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring cmd = argc > 1 ? argv[1] : L"";
    const DWORD until = GetTickCount() + static_cast<DWORD>(_wtoi(argv[argc - 1])) * 1000;
    if (cmd == L"folders") return folders();
    if (cmd == L"main-caption") {
        out(e2e::widen(corvell::ui::kMainCaption));
        return 0;
    }
    if (cmd == L"link" && argc == 3) return link(argv[2]);
    if (cmd == L"version" && argc == 3) return version(argv[2]);
    if (cmd == L"uninstall-entry" && argc == 3) return uninstallEntry(argv[2]);
    if (cmd == L"count" && argc == 3) return count(argv[2]);
    if (cmd == L"window" && argc == 4) return window(argv[2], until);
    if (cmd == L"page" && argc == 5) return page(argv[2], argv[3], until);
    if (cmd == L"box" && argc == 4) return box(argv[2], until);
    if (cmd == L"press" && argc == 5) return press(argv[2], _wtoi(argv[3]), until);
    if (cmd == L"shown" && argc == 4) return shown(argv[2], argv[3]);
    fwprintf(stderr, L"usage: probe folders | main-caption | link F | version F | uninstall-entry HKCU|HKLM |"
                     L" count TITLE | window TITLE S | page TITLE TEXT S | box TEXT S |"
                     L" press TEXT BUTTON S | shown TITLE TEXT\n");
    return 2;
}
