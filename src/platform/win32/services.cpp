#include "platform/win32/services.h"

#include "platform/win32/wide.h"

namespace corvell::win32 {

namespace {

Win32Services* g_services = nullptr;

constexpr int kReplaceTries = 5;
constexpr DWORD kReplaceWaitMs = 25;

HWND toHwnd(WindowHandle w) { return reinterpret_cast<HWND>(w); }
HANDLE toHandle(NativeHandle h) { return reinterpret_cast<HANDLE>(h); }
NativeHandle fromHandle(HANDLE h) { return reinterpret_cast<NativeHandle>(h); }

}  // namespace

void htmlHelpDisplay(HWND owner, const std::wstring& path, UINT command, DWORD_PTR data) {
    using Fn = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);
    static Fn fn = [] {
        return systemFunction<Fn>(LoadLibraryW(L"hhctrl.ocx"), "HtmlHelpW");
    }();
    if (fn != nullptr) fn(owner, path.c_str(), command, data);
}

void openHelpFor(HWND owner) {
    if (g_services != nullptr && !g_services->helpFile().empty()) {
        htmlHelpDisplay(owner, widen(g_services->helpFile()), 0 /* HH_DISPLAY_TOPIC */, 0);
    }
}

NativeForm& Win32Services::realise(ui::Form& f) {
    g_services = this;
    auto it = forms_.find(&f);
    // A form destroyed earlier may have left its entry to a new one at the
    // same address.
    if (it != forms_.end() && it->second->model() == &f) return *it->second;
    if (it != forms_.end()) forms_.erase(it);
    auto nf = std::make_unique<NativeForm>(f, nextIdBase_);
    nextIdBase_ += 1000;
    nf->create();
    return *forms_.emplace(&f, std::move(nf)).first->second;
}

NativeForm* Win32Services::native(const ui::Form& f) const {
    auto it = forms_.find(&f);
    return it == forms_.end() || it->second->model() != &f ? nullptr : it->second.get();
}

bool Win32Services::preTranslate(MSG& msg) {
    HWND top = GetAncestor(msg.hwnd, GA_ROOT);
    for (auto& [form, nf] : forms_) {
        if (nf->hwnd() == nullptr || nf->hwnd() != top) continue;
        if (nf->preTranslate(msg)) return true;
        return IsDialogMessageW(top, &msg) != 0;
    }
    return false;
}

int Win32Services::run() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (preTranslate(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

LocalTime Win32Services::now() {
    SYSTEMTIME st;
    GetLocalTime(&st);
    return {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds};
}

uint32_t Win32Services::getVersion() { return GetVersion(); }

std::string Win32Services::exeFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    size_t slash = path.find_last_of(L'\\');
    if (slash == std::wstring::npos) return {};
    // A drive root keeps its backslash ("C:\"), any other folder has none.
    path.resize(slash == 2 && path[1] == L':' ? slash + 1 : slash);
    return narrow(path);
}

void Win32Services::setHelpFile(const std::string& path) { helpFile_ = path; }

WindowHandle Win32Services::findWindow(const std::string& title) {
    const std::wstring t = widen(title);
    // This program's own windows are never the viewer: a close request
    // must not reach them.
    HWND h = nullptr;
    while ((h = FindWindowExW(nullptr, h, nullptr, t.c_str())) != nullptr) {
        DWORD pid = 0;
        GetWindowThreadProcessId(h, &pid);
        if (pid != GetCurrentProcessId()) {
            return reinterpret_cast<WindowHandle>(h);
        }
    }
    return 0;
}

void Win32Services::postClose(WindowHandle w) {
    if (w != 0) PostMessageW(toHwnd(w), WM_CLOSE, 0, 0);
}

bool Win32Services::startProgram(const std::string& commandLine) {
    std::wstring cmd = widen(commandLine);
    if (cmd.empty()) return false;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION pi{};
    BOOL ok = FALSE;
    const DWORD attr = GetFileAttributesW(cmd.c_str());
    if (attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        // The whole text names a file: start exactly that one. Unquoted, a
        // path with spaces would start "C:\TV.exe" before
        // "C:\TV Capture Card\HDTVPCI.EXE".
        std::wstring quoted = L"\"" + cmd + L"\"";
        ok = CreateProcessW(cmd.c_str(), quoted.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            nullptr, &si, &pi);
    } else {
        ok = CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                            &pi);
    }
    if (!ok) return false;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
}

void Win32Services::minimize(ui::Form& f) {
    if (NativeForm* nf = native(f); nf != nullptr && nf->hwnd() != nullptr) {
        ShowWindow(nf->hwnd(), SW_MINIMIZE);
    }
}

void Win32Services::show(ui::Form& f) {
    NativeForm& nf = realise(f);
    if (nf.hwnd() != nullptr) nf.show(SW_SHOWNORMAL);
}

void Win32Services::messageBox(const std::string& text) {
    HWND owner = nullptr;
    if (main_ != nullptr) {
        if (NativeForm* nf = native(*main_)) owner = nf->hwnd();
    }
    MessageBoxW(owner, displayText(text).c_str(), L"Corvell", MB_OK);
}

void Win32Services::endProgram() { ExitProcess(0); }

NativeHandle Win32Services::getCurrentProcess() { return fromHandle(GetCurrentProcess()); }

NativeHandle Win32Services::openProcessToken(NativeHandle process, uint32_t access) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(toHandle(process), access, &token)) return 0;
    return fromHandle(token);
}

uint64_t Win32Services::lookupPrivilegeValue(const std::string& systemName,
                                             const std::string& name) {
    LUID luid{};
    LookupPrivilegeValueW(widen(systemName).c_str(), widen(name).c_str(), &luid);
    return (static_cast<uint64_t>(static_cast<uint32_t>(luid.HighPart)) << 32) | luid.LowPart;
}

void Win32Services::adjustTokenPrivileges(NativeHandle token, bool disableAll,
                                          const TokenPrivileges& s, uint32_t bufferLength,
                                          TokenPrivileges& previousState,
                                          uint32_t& returnLength) {
    TOKEN_PRIVILEGES in{};
    in.PrivilegeCount = s.count;
    in.Privileges[0].Luid.LowPart = static_cast<DWORD>(s.luid & 0xFFFFFFFFu);
    in.Privileges[0].Luid.HighPart = static_cast<LONG>(s.luid >> 32);
    in.Privileges[0].Attributes = s.attributes;
    TOKEN_PRIVILEGES previous{};
    DWORD length = 0;
    AdjustTokenPrivileges(toHandle(token), disableAll, &in, bufferLength, &previous, &length);
    previousState.count = previous.PrivilegeCount;
    previousState.luid = (static_cast<uint64_t>(static_cast<uint32_t>(
                              previous.Privileges[0].Luid.HighPart))
                          << 32) |
                         previous.Privileges[0].Luid.LowPart;
    previousState.attributes = previous.Privileges[0].Attributes;
    returnLength = length;
}

void Win32Services::closeHandle(NativeHandle h) { CloseHandle(toHandle(h)); }

void Win32Services::exitWindowsEx(uint32_t flags, uint32_t reserved) {
    ExitWindowsEx(flags, reserved);
}

void Win32Services::keybdEvent(uint8_t vk, uint8_t scan, uint32_t flags, uint32_t extra) {
    keybd_event(vk, scan, flags, extra);
}

void Win32Services::htmlHelp(ui::Form& owner, const std::string& path, uint32_t command,
                             uint32_t data) {
    NativeForm* nf = native(owner);
    htmlHelpDisplay(nf != nullptr ? nf->hwnd() : nullptr, widen(path), command, data);
}

std::optional<FileContent> Win32Services::readFile(const std::string& path) {
    HANDLE f = CreateFileW(widen(path).c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return std::nullopt;
    FileContent content;
    content.bytes.resize(kMaxRecordRead);
    DWORD got = 0;
    FILETIME written{};
    const BOOL ok =
        ReadFile(f, content.bytes.data(), static_cast<DWORD>(kMaxRecordRead), &got, nullptr);
    if (GetFileTime(f, nullptr, nullptr, &written)) {
        content.lastWrite = (static_cast<uint64_t>(written.dwHighDateTime) << 32) |
                            written.dwLowDateTime;
    }
    CloseHandle(f);
    if (!ok) return std::nullopt;
    content.bytes.resize(got);
    return content;
}

namespace {

// The whole of bytes, then the end of the file there, then to the disk.
bool writeAll(HANDLE f, const std::string& bytes) {
    DWORD written = 0;
    return WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size() && SetEndOfFile(f) && FlushFileBuffers(f);
}

}  // namespace

WriteOutcome Win32Services::replaceFile(const std::string& path, const std::string& bytes) {
    // The record is the only memory of the viewer's path and title: the old
    // one is replaced only by a complete new one.
    const std::wstring target = widen(path);
    const std::wstring temp = target + L".new";
    HANDLE f = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return WriteOutcome::FolderRefused;
    BOOL ok = writeAll(f, bytes);
    ok = CloseHandle(f) && ok;
    // A reader that has the old record open for a moment (a virus scanner,
    // an indexer, a person looking at it) blocks the replacement; a few
    // short tries outlast it. A lasting lock still ends the write.
    for (int tries = 0; ok; ++tries) {
        if (MoveFileExW(temp.c_str(), target.c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            break;
        }
        const DWORD error = GetLastError();
        const bool busy = error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION ||
                          error == ERROR_LOCK_VIOLATION;
        if (!busy || tries == kReplaceTries - 1) ok = FALSE;
        if (ok) Sleep(kReplaceWaitMs);
    }
    if (!ok) DeleteFileW(temp.c_str());
    return ok ? WriteOutcome::Written : WriteOutcome::Failed;
}

bool Win32Services::rewriteFile(const std::string& path, const std::string& bytes) {
    HANDLE f = CreateFileW(widen(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    const bool ok = writeAll(f, bytes);
    return CloseHandle(f) && ok;
}

std::string Win32Services::userDataFolder() {
    // Not in Windows 95/98 without Internet Explorer 5 (shfolder.dll) nor
    // in NT 4: there the record has nowhere else to go.
    using Fn = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPWSTR);
    static Fn fn = [] {
        Fn f = systemFunction<Fn>(LoadLibraryW(L"shell32.dll"), "SHGetFolderPathW");
        return f != nullptr ? f : systemFunction<Fn>(LoadLibraryW(L"shfolder.dll"), "SHGetFolderPathW");
    }();
    constexpr int kLocalAppData = 0x001C;  // CSIDL_LOCAL_APPDATA
    wchar_t dir[MAX_PATH] = L"";
    if (fn == nullptr || fn(nullptr, kLocalAppData, nullptr, 0, dir) != S_OK || dir[0] == 0) {
        return {};
    }
    return narrow(dir) + "\\Corvell";
}

bool Win32Services::createFolder(const std::string& path) {
    const std::wstring dir = widen(path);
    if (CreateDirectoryW(dir.c_str(), nullptr)) return true;
    const DWORD attr = GetFileAttributesW(dir.c_str());
    return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::string Win32Services::toAnsi(const std::string& utf8) {
    return narrow(widen(utf8), CP_ACP);
}

std::string Win32Services::fromAnsi(const std::string& ansi) {
    return narrow(widen(ansi, CP_ACP));
}

}  // namespace corvell::win32
