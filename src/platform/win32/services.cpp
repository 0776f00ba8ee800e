#include "platform/win32/services.h"

#include "common/path.h"

#include "platform/win32/system_functions.h"
#include "platform/win32/text_calls.h"
#include "platform/win32/wide.h"

namespace corvell::win32 {

namespace {

constexpr DWORD kElevationRequired = 740;  // ERROR_ELEVATION_REQUIRED, Vista on
constexpr int kReplaceTries = 5;
constexpr DWORD kReplaceWaitMs = 25;

HWND toHwnd(WindowHandle w) { return reinterpret_cast<HWND>(w); }
HANDLE toHandle(NativeHandle h) { return reinterpret_cast<HANDLE>(h); }
NativeHandle fromHandle(HANDLE h) { return reinterpret_cast<NativeHandle>(h); }

// A call that failed, by its error code; one that names none still failed.
uint32_t lastError() {
    const DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? error : kUnknownError;
}

}  // namespace

LocalTime Win32Services::now() {
    SYSTEMTIME st;
    GetLocalTime(&st);
    return {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds};
}

uint32_t Win32Services::getVersion() { return GetVersion(); }

std::string Win32Services::exeFolder() { return folderOf(calls().moduleFileName()); }

WindowHandle Win32Services::findWindow(const std::string& title) {
    // This program's own windows are never the viewer: a close request
    // must not reach them.
    HWND h = nullptr;
    while ((h = calls().findWindow(h, title)) != nullptr) {
        DWORD pid = 0;
        GetWindowThreadProcessId(h, &pid);
        if (pid != GetCurrentProcessId()) {
            return reinterpret_cast<WindowHandle>(h);
        }
    }
    return 0;
}

bool Win32Services::postClose(WindowHandle w) {
    // User Interface Privilege Isolation refuses posts to a program of a
    // higher integrity level (access denied).
    return w != 0 && calls().postMessage(toHwnd(w), WM_CLOSE, 0, 0) != FALSE;
}

namespace {

bool isFile(const std::string& path) {
    const DWORD attr = calls().fileAttributes(path);
    return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The program file a command line names, as starting it finds it, and the
// arguments after it.
struct Program {
    std::string file;  // empty: none found
    std::string arguments;
};

Program programOf(const std::string& commandLine) {
    if (commandLine[0] == '"') {
        const size_t close = commandLine.find('"', 1);
        const size_t end = close == std::string::npos ? commandLine.size() : close;
        size_t rest = end == commandLine.size() ? end : end + 1;
        while (rest < commandLine.size() && commandLine[rest] == ' ') ++rest;
        return {calls().searchPath(commandLine.substr(1, end - 1)), commandLine.substr(rest)};
    }
    // Unquoted, each space in turn may end the name: "C:\TV Card\tv.exe -f"
    // is tried as "C:\TV", then "C:\TV Card\tv.exe".
    for (size_t end = commandLine.find(' ');; end = commandLine.find(' ', end + 1)) {
        const std::string name = commandLine.substr(0, end);
        if (std::string file = calls().searchPath(name); !file.empty() && isFile(file)) {
            return {file, end == std::string::npos ? std::string() : commandLine.substr(end + 1)};
        }
        if (end == std::string::npos) return {};
    }
}

}  // namespace

StartOutcome Win32Services::startProgram(const std::string& commandLine) {
    if (commandLine.empty()) return StartOutcome::Failed;
    // The whole text names a file: start exactly that one. Unquoted, a path
    // with spaces would start "C:\TV.exe" before
    // "C:\TV Capture Card\HDTVPCI.EXE".
    const bool wholeFile = isFile(commandLine);
    const Program program = wholeFile ? Program{commandLine, {}} : programOf(commandLine);
    // In its own folder, as a shortcut or Explorer starts it: many viewers
    // find their channel lists and skins relative to it.
    const std::string folder = folderOf(program.file);
    PROCESS_INFORMATION pi{};
    BOOL ok = wholeFile ? calls().createProcess(commandLine, "\"" + commandLine + "\"", folder, &pi)
                        : calls().createProcess({}, commandLine, folder, &pi);
    if (!ok && GetLastError() == kElevationRequired && !program.file.empty()) {
        // Marked to run as administrator: only the shell may ask the user.
        // Owned by the main window, the consent prompt comes to the front
        // rather than flashing on the taskbar.
        if (calls().shellExecute(forms_.mainWindow(), program.file, program.arguments, folder)) {
            return StartOutcome::Started;
        }
        return GetLastError() == ERROR_CANCELLED ? StartOutcome::Declined : StartOutcome::Failed;
    }
    if (!ok) return StartOutcome::Failed;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return StartOutcome::Started;
}

void Win32Services::minimize(ui::Form& f) {
    if (HWND h = forms_.window(f); h != nullptr) ShowWindow(h, SW_MINIMIZE);
}

void Win32Services::show(ui::Form& f) {
    NativeForm& nf = forms_.realise(f);
    if (nf.hwnd() != nullptr) nf.show(SW_SHOWNORMAL);
}

void Win32Services::messageBox(const std::string& text) {
    calls().messageBox(forms_.mainWindow(), displayText(text), "Corvell", MB_OK);
}

void Win32Services::endProgram() { ExitProcess(0); }

NativeHandle Win32Services::getCurrentProcess() { return fromHandle(GetCurrentProcess()); }

NativeHandle Win32Services::openProcessToken(NativeHandle process, uint32_t access) {
    HANDLE token = nullptr;
    if (!sys::OpenProcessToken || !sys::OpenProcessToken(toHandle(process), access, &token)) return 0;
    return fromHandle(token);
}

uint64_t Win32Services::lookupPrivilegeValue(const std::string& systemName,
                                             const std::string& name) {
    LUID luid{};
    calls().lookupPrivilegeValue(systemName, name, &luid);
    return (static_cast<uint64_t>(static_cast<uint32_t>(luid.HighPart)) << 32) | luid.LowPart;
}

uint32_t Win32Services::adjustTokenPrivileges(NativeHandle token, bool disableAll,
                                              const TokenPrivileges& newState,
                                              uint32_t bufferLength,
                                              TokenPrivileges& previousState,
                                              uint32_t& returnLength) {
    TOKEN_PRIVILEGES in{};
    in.PrivilegeCount = newState.count;
    in.Privileges[0].Luid.LowPart = static_cast<DWORD>(newState.luid & 0xFFFFFFFFu);
    in.Privileges[0].Luid.HighPart = static_cast<LONG>(newState.luid >> 32);
    in.Privileges[0].Attributes = newState.attributes;
    TOKEN_PRIVILEGES previous{};
    DWORD length = 0;
    // It succeeds with ERROR_NOT_ALL_ASSIGNED where the token lacks the
    // privilege: only the error code tells.
    DWORD error = ERROR_CALL_NOT_IMPLEMENTED;
    if (sys::AdjustTokenPrivileges) {
        SetLastError(ERROR_SUCCESS);
        const BOOL ok = sys::AdjustTokenPrivileges(toHandle(token), disableAll, &in, bufferLength,
                                                   &previous, &length);
        error = ok ? GetLastError() : lastError();
    }
    previousState.count = previous.PrivilegeCount;
    previousState.luid = (static_cast<uint64_t>(static_cast<uint32_t>(
                              previous.Privileges[0].Luid.HighPart))
                          << 32) |
                         previous.Privileges[0].Luid.LowPart;
    previousState.attributes = previous.Privileges[0].Attributes;
    returnLength = length;
    return error;
}

void Win32Services::closeHandle(NativeHandle h) { CloseHandle(toHandle(h)); }

uint32_t Win32Services::exitWindowsEx(uint32_t flags, uint32_t reserved) {
    return ExitWindowsEx(flags, reserved) ? 0 : lastError();
}

std::string Win32Services::errorText(uint32_t code) { return calls().errorText(code); }

void Win32Services::keybdEvent(uint8_t vk, uint8_t scan, uint32_t flags, uint32_t extra) {
    keybd_event(vk, scan, flags, extra);
}

void Win32Services::htmlHelp(ui::Form& owner, const std::string& path, uint32_t command,
                             uint32_t data) {
    calls().htmlHelp(forms_.window(owner), path, command, data);
}

std::optional<FileContent> Win32Services::readFile(const std::string& path) {
    // Delete sharing is NT's alone; 95/98/Me refuse to open with it.
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | (calls().wide ? FILE_SHARE_DELETE : 0);
    HANDLE f = calls().createFile(path, GENERIC_READ, share, OPEN_EXISTING);
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
    const std::string temp = path + ".new";
    HANDLE f = calls().createFile(temp, GENERIC_WRITE, 0, CREATE_ALWAYS);
    if (f == INVALID_HANDLE_VALUE) return WriteOutcome::FolderRefused;
    BOOL ok = writeAll(f, bytes);
    ok = CloseHandle(f) && ok;
    // A reader that has the old record open for a moment (a virus scanner,
    // an indexer, a person looking at it) blocks the replacement; a few
    // short tries outlast it. A lasting lock still ends the write.
    for (int tries = 0; ok; ++tries) {
        if (calls().moveReplacing(temp, path)) break;
        const DWORD error = GetLastError();
        const bool busy = error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION ||
                          error == ERROR_LOCK_VIOLATION;
        if (!busy || tries == kReplaceTries - 1) ok = FALSE;
        if (ok) Sleep(kReplaceWaitMs);
    }
    if (!ok) calls().deleteFile(temp);
    return ok ? WriteOutcome::Written : WriteOutcome::Failed;
}

bool Win32Services::rewriteFile(const std::string& path, const std::string& bytes) {
    HANDLE f = calls().createFile(path, GENERIC_WRITE, FILE_SHARE_READ, OPEN_EXISTING);
    if (f == INVALID_HANDLE_VALUE) return false;
    const bool ok = writeAll(f, bytes);
    return CloseHandle(f) && ok;
}

std::string Win32Services::userDataFolder() {
    // None in Windows 95/98 without the shfolder.dll of Internet Explorer 5,
    // nor in NT 4: there the record has nowhere else to go.
    const std::string dir = calls().localAppData();
    return dir.empty() ? dir : dir + "\\Corvell";
}

bool Win32Services::createFolder(const std::string& path) {
    if (calls().createDirectory(path)) return true;
    const DWORD attr = calls().fileAttributes(path);
    return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::string Win32Services::toAnsi(const std::string& utf8) {
    return narrow(widen(utf8), CP_ACP);
}

std::optional<std::string> Win32Services::toAnsiExact(const std::string& utf8) {
    const std::wstring w = widen(utf8);
    // A system whose code page is UTF-8 holds every character.
    if (GetACP() == CP_UTF8) return utf8;
    if (w.empty()) return std::string();
    DWORD flags = WC_NO_BEST_FIT_CHARS;
    BOOL lossy = FALSE;
    int n = wideCharToMultiByte(CP_ACP, flags, w.data(), static_cast<int>(w.size()), nullptr, 0,
                                nullptr, &lossy);
    // NT 4 knows no such flag: converted without it, a look-alike shows in
    // the way back.
    if (n <= 0 && GetLastError() == ERROR_INVALID_FLAGS) {
        flags = 0;
        n = wideCharToMultiByte(CP_ACP, flags, w.data(), static_cast<int>(w.size()), nullptr, 0,
                                nullptr, &lossy);
    }
    if (n <= 0 || lossy) return std::nullopt;
    std::string s(static_cast<size_t>(n), '\0');
    wideCharToMultiByte(CP_ACP, flags, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr,
                        &lossy);
    if (lossy || (flags == 0 && widen(s, CP_ACP) != w)) return std::nullopt;
    return s;
}

std::string Win32Services::fromAnsi(const std::string& ansi) {
    return narrow(widen(ansi, CP_ACP));
}

}  // namespace corvell::win32
