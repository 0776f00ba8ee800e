// Reads what the installer left the way Windows itself reads it, and prints
// it for run-release.sh to judge. One fact a line, UTF-8.
//   probe folders                  programs=, startup=, localappdata=, programfiles=
//   probe link FILE.lnk            target=, workdir=, args=
//   probe version FILE.exe         fileversion=, productversion=, fixed=, fileos=, company=
//   probe uninstall-entry HKCU|HKLM    the entry's values, or "absent"
//   probe main-caption             the main window's caption, as its design has it
//   probe window TITLE SECONDS     exe= of the process showing a window so titled
//   probe close TITLE SECONDS      closes that window: "ended" once its process is gone
//   probe options TITLE SECONDS    takes the installer so titled to its option
//                                  page: autorun=checked|unchecked, rect=x,y,w,h
#include <windows.h>

#include <shlobj.h>
#include <shobjidl.h>

#include <cstdio>
#include <string>

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
        wchar_t target[MAX_PATH] = {}, dir[MAX_PATH] = {}, args[1024] = {};
        shellLink->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
        shellLink->GetWorkingDirectory(dir, MAX_PATH);
        shellLink->GetArguments(args, 1024);
        out(std::wstring(L"target=") + target);
        out(std::wstring(L"workdir=") + dir);
        out(std::wstring(L"args=") + args);
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

struct Search {
    const wchar_t* title;
    HWND found;
};

// A visible window with this text (NSIS ends its caption with a space).
BOOL CALLBACK findVisible(HWND w, LPARAM lp) {
    auto* s = reinterpret_cast<Search*>(lp);
    wchar_t text[256] = {};
    GetWindowTextW(w, text, 256);
    std::wstring t = text;
    while (!t.empty() && t.back() == L' ') t.pop_back();
    if (t == s->title && IsWindowVisible(w)) {
        s->found = w;
        return FALSE;
    }
    return TRUE;
}

HWND waitTopLevel(const wchar_t* title, DWORD until) {
    Search s{title, nullptr};
    while (!s.found && GetTickCount() < until) {
        EnumWindows(findVisible, reinterpret_cast<LPARAM>(&s));
        if (!s.found) Sleep(100);
    }
    return s.found;
}

// The process of the window with this title, opened with `access`.
HANDLE ownerOf(HWND w, DWORD access) {
    DWORD pid = 0;
    if (w != nullptr) GetWindowThreadProcessId(w, &pid);
    return pid != 0 ? OpenProcess(access, FALSE, pid) : nullptr;
}

int window(const wchar_t* title, DWORD until) {
    HANDLE process = ownerOf(waitTopLevel(title, until), PROCESS_QUERY_LIMITED_INFORMATION);
    if (!process) return 1;
    wchar_t exe[MAX_PATH] = {};
    DWORD len = MAX_PATH;
    QueryFullProcessImageNameW(process, 0, exe, &len);
    CloseHandle(process);
    out(std::wstring(L"exe=") + exe);
    return 0;
}

int closeWindow(const wchar_t* title, DWORD until) {
    HWND w = waitTopLevel(title, until);
    HANDLE process = ownerOf(w, SYNCHRONIZE);
    if (!process) return 1;
    PostMessageW(w, WM_CLOSE, 0, 0);
    const bool ended = WaitForSingleObject(process, 10000) == WAIT_OBJECT_0;
    CloseHandle(process);
    out(ended ? L"ended" : L"still running");
    return ended ? 0 : 1;
}

int options(const wchar_t* title, DWORD until) {
    HWND w = waitTopLevel(title, until);
    if (!w) return 1;
    // The directory page comes first; Next (IDOK) leads to the options.
    Search box{L"开机时自动运行", nullptr};
    bool clicked = false;
    while (!box.found && GetTickCount() < until) {
        EnumChildWindows(w, findVisible, reinterpret_cast<LPARAM>(&box));
        if (box.found) break;
        HWND next = GetDlgItem(w, IDOK);
        if (!clicked && next && IsWindowEnabled(next)) {
            PostMessageW(next, BM_CLICK, 0, 0);
            clicked = true;
        }
        Sleep(100);
    }
    if (!box.found) return 1;
    Sleep(500);  // let the page finish painting before the picture
    out(SendMessageW(box.found, BM_GETCHECK, 0, 0) == BST_CHECKED ? L"autorun=checked"
                                                                   : L"autorun=unchecked");
    RECT r;
    GetWindowRect(w, &r);
    wchar_t buf[64];
    swprintf(buf, 64, L"rect=%ld,%ld,%ld,%ld", r.left, r.top, r.right - r.left, r.bottom - r.top);
    out(buf);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring cmd = argc > 1 ? argv[1] : L"";
    if (cmd == L"folders") return folders();
    if (cmd == L"main-caption") {
        out(e2e::widen(corvell::ui::kMainCaption));
        return 0;
    }
    if (cmd == L"link" && argc == 3) return link(argv[2]);
    if (cmd == L"version" && argc == 3) return version(argv[2]);
    if (cmd == L"uninstall-entry" && argc == 3) return uninstallEntry(argv[2]);
    if ((cmd == L"window" || cmd == L"close" || cmd == L"options") && argc == 4) {
        const DWORD until = GetTickCount() + static_cast<DWORD>(_wtoi(argv[3])) * 1000;
        if (cmd == L"window") return window(argv[2], until);
        return cmd == L"close" ? closeWindow(argv[2], until) : options(argv[2], until);
    }
    fwprintf(stderr, L"usage: probe folders | main-caption | link F | version F |"
                     L" uninstall-entry HKCU|HKLM | window|close|options TITLE SECONDS\n");
    return 2;
}
