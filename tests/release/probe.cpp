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
//   probe press TEXT BUTTON SECONDS  clicks button 1 (OK, Next) or 2 (Cancel) there
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

// Texts as NSIS shows them: it ends its captions with a space.
std::string shownText(HWND w) {
    std::string t = e2e::text(w);
    while (!t.empty() && t.back() == ' ') t.pop_back();
    return t;
}

// A visible child of w showing this text (with prefix, beginning with it).
HWND child(HWND w, const std::string& text, bool prefix = false) {
    return e2e::findVisible(
        [&](HWND c) { return prefix ? shownText(c).starts_with(text) : shownText(c) == text; }, w);
}

// The visible top-level window so titled or, byChild, showing a child that
// begins with the text (a message box, say), waited for.
HWND top(const std::string& text, bool byChild, int ms) {
    const auto match = [&](HWND w) {
        return byChild ? child(w, text, true) != nullptr : shownText(w) == text;
    };
    return e2e::waitFor([&] { return e2e::findVisible(match); }, ms, text);
}

void outRect(HWND w) {
    RECT r;
    GetWindowRect(w, &r);
    wchar_t buf[64];
    swprintf(buf, 64, L"rect=%ld,%ld,%ld,%ld", r.left, r.top, r.right - r.left, r.bottom - r.top);
    out(buf);
}

int window(const std::string& title, int ms) {
    const DWORD pid = e2e::windowPid(top(title, false, ms));
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
int count(const std::string& title) {
    std::wstring pids;
    int n = 0;
    for (HWND w : e2e::allTop(title)) {
        if (!IsWindowVisible(w)) continue;
        ++n;
        pids += (pids.empty() ? L"" : L",") + std::to_wstring(e2e::windowPid(w));
    }
    out(L"count=" + std::to_wstring(n));
    out(L"pids=" + pids);
    return 0;
}

// Takes the installer so titled from page to page with Next until one
// shows a control with this text: its check state and the installer's place.
int page(const std::string& title, const std::string& text, int ms) {
    HWND w = top(title, false, ms);
    HWND found = nullptr;
    ULONGLONG ready = 0;
    const auto reached = [&] {
        if ((found = child(w, text)) != nullptr) return true;
        // Next once a page has waited a moment for it: a page that moves on
        // by itself would take the click on the one after it. Never behind
        // a message box: the installer is disabled then.
        const bool waiting = IsWindowEnabled(w) && e2e::enabled(GetDlgItem(w, IDOK));
        if (!waiting) ready = 0;
        if (waiting && ready == 0) ready = GetTickCount64() + 1000;
        if (waiting && GetTickCount64() > ready) {
            e2e::click(GetDlgItem(w, IDOK));
            ready = 0;
        }
        return false;
    };
    if (w == nullptr || !e2e::waitUntil(reached, ms, "the page showing " + text)) return 1;
    Sleep(500);  // let the page finish painting before the picture
    out(e2e::checked(found) ? L"state=checked" : L"state=unchecked");
    outRect(w);
    return 0;
}

// A message box beginning with this text: its place.
int box(const std::string& text, int ms) {
    HWND w = top(text, true, ms);
    if (!w) return 1;
    Sleep(500);
    outRect(w);
    return 0;
}

// Clicks a button (1: OK, Next or Finish; 2: Cancel) of the window that
// shows this text, then waits for that window to go, change, or give way
// to a message box of its own.
int press(const std::string& text, int button, int ms) {
    HWND w = top(text, true, ms);
    if (!w || !e2e::click(GetDlgItem(w, button))) return 1;
    const auto moved = [&] {
        return !IsWindow(w) || !IsWindowEnabled(w) || child(w, text, true) == nullptr;
    };
    return e2e::waitUntil(moved, ms, "the window showing " + text + " to move on") ? 0 : 1;
}

// Whether the window so titled shows a control with this text.
int shown(const std::string& title, const std::string& text) {
    HWND w = top(title, false, 2000);
    out(w != nullptr && child(w, text) != nullptr ? L"shown=yes" : L"shown=no");
    return w != nullptr ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring cmd = argc > 1 ? argv[1] : L"";
    std::vector<std::string> arg;
    for (int i = 2; i < argc; ++i) arg.push_back(e2e::narrow(argv[i]));
    const int ms = _wtoi(argv[argc - 1]) * 1000;
    if (cmd == L"folders") return folders();
    if (cmd == L"main-caption") {
        out(e2e::widen(corvell::ui::kMainCaption));
        return 0;
    }
    if (cmd == L"link" && argc == 3) return link(argv[2]);
    if (cmd == L"version" && argc == 3) return version(argv[2]);
    if (cmd == L"uninstall-entry" && argc == 3) return uninstallEntry(argv[2]);
    if (cmd == L"count" && argc == 3) return count(arg[0]);
    if (cmd == L"window" && argc == 4) return window(arg[0], ms);
    if (cmd == L"page" && argc == 5) return page(arg[0], arg[1], ms);
    if (cmd == L"box" && argc == 4) return box(arg[0], ms);
    if (cmd == L"press" && argc == 5) return press(arg[0], _wtoi(argv[3]), ms);
    if (cmd == L"shown" && argc == 4) return shown(arg[0], arg[1]);
    fwprintf(stderr, L"usage: probe folders | main-caption | link F | version F | uninstall-entry HKCU|HKLM |"
                     L" count TITLE | window TITLE S | page TITLE TEXT S | box TEXT S |"
                     L" press TEXT BUTTON S | shown TITLE TEXT\n");
    return 2;
}
