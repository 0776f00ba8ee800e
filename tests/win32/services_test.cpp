// The services on the real system calls: the record file's bytes in code
// page 936, a failed replacement keeping the old record, and how a command
// line is started.
#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>

#include "check.h"
#include "driver.h"
#include "platform/win32/services.h"
#include "platform/win32/text_calls.h"
#include "platform/win32/wide.h"
#include "record/record.h"

using corvell::StartOutcome;
using corvell::record::write;
using corvell::win32::narrow;
using corvell::win32::widen;
using corvell::win32::Win32Services;

namespace {

std::string slurp(const std::wstring& path) { return e2e::readFile(narrow(path)); }

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::wstring selfPath() { return widen(e2e::exePath()); }

// What the next start-up offers from the NT family's record: "path|title".
std::string offered(Win32Services& sys) {
    auto d = corvell::record::readDefaults(sys, 1);
    return d ? d->path + "|" + d->title : "none";
}

// Temporary files a replacement left beside the record.
std::string leftovers() {
    std::string left;
    for (const wchar_t* f : {L"C:\\dorvanlog2k.txt.new", L"C:\\dorvanlog2k.txt.old"}) {
        if (exists(f)) left += narrow(f) + " ";
    }
    return left;
}

std::wstring localAppData() {
    wchar_t local[MAX_PATH] = L"";
    GetEnvironmentVariableW(L"LOCALAPPDATA", local, MAX_PATH);
    return local;
}

// Starts a command line and returns what the started copy of this program
// reports (program|its folder|arguments|working folder).
std::string started(Win32Services& sys, const std::string& commandLine) {
    const wchar_t* report = L"C:\\corvell-report.txt";
    DeleteFileW(report);
    if (sys.startProgram(commandLine) != StartOutcome::Started) return "<not started>";
    for (int i = 0; i < 300 && !exists(report); ++i) Sleep(20);
    return slurp(report);
}

// The shell's start, as the system's is but for a record of what it got.
std::string g_shellStart;
decltype(corvell::win32::TextCalls::shellExecute) g_realShellExecute = nullptr;

BOOL refuseWithoutElevation(const std::string&, const std::string&, const std::string&,
                            PROCESS_INFORMATION*) {
    SetLastError(740);  // ERROR_ELEVATION_REQUIRED
    return FALSE;
}

HWND g_shellOwner = nullptr;
DWORD g_shellError = 0;  // where set, the shell's start fails with it

BOOL recordShellStart(HWND owner, const std::string& file, const std::string& parameters,
                      const std::string& folder) {
    g_shellStart = file + "|" + parameters + "|" + folder;
    g_shellOwner = owner;
    if (g_shellError == 0) return g_realShellExecute(owner, file, parameters, folder);
    SetLastError(g_shellError);
    return FALSE;
}

}  // namespace

TEST_CASE("the system's code page is the Chinese one") { CHECK_EQ(GetACP(), 936u); }

TEST_CASE("records are written byte for byte in code page 936 and read back") {
    Win32Services sys;
    DeleteFileW(L"C:\\dorvanlog2k.txt");
    DeleteFileW(L"C:\\dorvanlog9x.txt");
    write(sys, 1,
          {"C:\\电视卡\\tv.exe", "电视, 卡", "2004年3月16日21时5分7秒", "2004年3月16日23时0分0秒"});
    const std::string want =
        "\"C:\\\xB5\xE7\xCA\xD3\xBF\xA8\\tv.exe\",\"\xB5\xE7\xCA\xD3, \xBF\xA8\","
        "\"2004\xC4\xEA" "3\xD4\xC2" "16\xC8\xD5" "21\xCA\xB1" "5\xB7\xD6" "7\xC3\xEB\","
        "\"2004\xC4\xEA" "3\xD4\xC2" "16\xC8\xD5" "23\xCA\xB1" "0\xB7\xD6" "0\xC3\xEB\"\r\n";
    CHECK_EQ(slurp(L"C:\\dorvanlog2k.txt"), want);
    CHECK(!exists(L"C:\\dorvanlog9x.txt"));
    CHECK_EQ(leftovers(), "");
    CHECK_EQ(offered(sys), "C:\\电视卡\\tv.exe|电视, 卡");
}

// The user's own copy of the NT family's record, as the program names it.
std::wstring ownRecord() {
    return widen(Win32Services().userDataFolder() + "\\dorvanlog2k.txt");
}

void setWritten(const std::wstring& path, int secondsAgo) {
    HANDLE f = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    const FILETIME ft = e2e::fileTimeIn(-secondsAgo);
    SetFileTime(f, nullptr, nullptr, &ft);
    CloseHandle(f);
}

TEST_CASE("the user's own folder is the local application-data one") {
    Win32Services sys;
    const std::string dir = sys.userDataFolder();
    CHECK_GT(dir.size(), 10u);
    CHECK_EQ(dir, narrow(localAppData()) + "\\Corvell");
}

TEST_CASE("a record that cannot be replaced stays whole; the new one goes to the user's folder") {
    Win32Services sys;
    DeleteFileW(ownRecord().c_str());
    write(sys, 1, {"C:\\old.exe", "Old", "t"});
    const std::string before = slurp(L"C:\\dorvanlog2k.txt");
    CHECK(!exists(ownRecord()));

    // Held open without delete or write sharing by someone else.
    HANDLE lock = CreateFileW(L"C:\\dorvanlog2k.txt", GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    CHECK_NE(lock, INVALID_HANDLE_VALUE);
    CHECK_EQ(sys.replaceFile("C:\\dorvanlog2k.txt", "x"), corvell::WriteOutcome::Failed);
    CHECK(!sys.rewriteFile("C:\\dorvanlog2k.txt", "x"));
    write(sys, 1, {"C:\\new.exe", "New", "t"});
    CloseHandle(lock);
    CHECK_EQ(slurp(L"C:\\dorvanlog2k.txt"), before);
    CHECK_EQ(leftovers(), "");
    CHECK_EQ(slurp(ownRecord()), "\"C:\\new.exe\",\"New\",\"t\"\r\n");
    CHECK_EQ(offered(sys), "C:\\new.exe|New");
    // Whichever was written last is offered.
    setWritten(ownRecord(), 60);
    CHECK_EQ(offered(sys), "C:\\old.exe|Old");
    DeleteFileW(ownRecord().c_str());
}

TEST_CASE("where no new file can be made beside it, the record is rewritten where it stands") {
    Win32Services sys;
    DeleteFileW(ownRecord().c_str());
    write(sys, 1, {"C:\\a much longer old path\\old.exe", "Old", "t", "u"});
    // A folder where the new file would be written.
    CreateDirectoryW(L"C:\\dorvanlog2k.txt.new", nullptr);
    CHECK_EQ(sys.replaceFile("C:\\dorvanlog2k.txt", "x"), corvell::WriteOutcome::FolderRefused);
    write(sys, 1, {"C:\\new.exe", "New", "t"});
    RemoveDirectoryW(L"C:\\dorvanlog2k.txt.new");
    CHECK_EQ(slurp(L"C:\\dorvanlog2k.txt"), "\"C:\\new.exe\",\"New\",\"t\"\r\n");
    CHECK(!exists(ownRecord()));
    // Only an existing record is rewritten.
    CHECK(!sys.rewriteFile("C:\\no-such-record.txt", "x"));
    CHECK(!exists(L"C:\\no-such-record.txt"));
}

HANDLE reader;

DWORD WINAPI closeReaderSoon(LPVOID) {
    Sleep(40);
    CloseHandle(reader);
    return 0;
}

TEST_CASE("a reader holding the record for a moment does not cost the new record") {
    Win32Services sys;
    write(sys, 1, {"C:\\old.exe", "Old", "t"});
    reader = CreateFileW(L"C:\\dorvanlog2k.txt", GENERIC_READ,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
    HANDLE closer = CreateThread(nullptr, 0, closeReaderSoon, nullptr, 0, nullptr);
    CHECK_EQ(sys.replaceFile("C:\\dorvanlog2k.txt", "\"new\",\"New\"\r\n"),
             corvell::WriteOutcome::Written);
    WaitForSingleObject(closer, INFINITE);
    CloseHandle(closer);
    CHECK_EQ(slurp(L"C:\\dorvanlog2k.txt"), "\"new\",\"New\"\r\n");
    CHECK_EQ(leftovers(), "");
}

TEST_CASE("a viewer starts in its own folder, found as a shortcut would find it") {
    Win32Services sys;
    CreateDirectoryW(L"C:\\Corvell Test", nullptr);
    CopyFileW(selfPath().c_str(), L"C:\\Corvell Test\\child.exe", FALSE);
    // What the unquoted command line would start first.
    CopyFileW(selfPath().c_str(), L"C:\\Corvell.exe", FALSE);
    SetCurrentDirectoryW(L"C:\\windows");
    const struct Case {
        const char* commandLine;
        const char* report;
    } cases[] = {
        // The whole text names a file: exactly that one.
        {"C:\\Corvell Test\\child.exe", "C:\\Corvell Test\\child.exe|C:\\Corvell Test|0|C:\\Corvell Test"},
        {"\"C:\\Corvell Test\\child.exe\" one two",
         "C:\\Corvell Test\\child.exe|C:\\Corvell Test|2|C:\\Corvell Test"},
        // A command line: the file it starts, with ".exe" added as it is.
        {"\"C:\\Corvell Test\\child\" x", "C:\\Corvell Test\\child.exe|C:\\Corvell Test|1|C:\\Corvell Test"},
        {"C:\\Corvell Test\\child.exe one", "C:\\Corvell.exe|C:\\|2|C:\\"},
    };
    for (const Case& c : cases) CHECK_EQ(started(sys, c.commandLine), c.report);
    DeleteFileW(L"C:\\Corvell.exe");
    CHECK_EQ(started(sys, "C:\\Corvell Test\\child.exe one"),
             "C:\\Corvell Test\\child.exe|C:\\Corvell Test|1|C:\\Corvell Test");
}

TEST_CASE("a program in a drive root sees its folder as the root") {
    Win32Services sys;
    CopyFileW(selfPath().c_str(), L"C:\\corvell-root.exe", FALSE);
    CHECK_EQ(started(sys, "C:\\corvell-root.exe"), "C:\\corvell-root.exe|C:\\|0|C:\\");
    DeleteFileW(L"C:\\corvell-root.exe");
}

TEST_CASE("a viewer that needs administrator rights is started through the shell") {
    Win32Services sys;
    corvell::ui::Form main("Main", "Main", 1000, 1000);
    sys.forms().setMain(main);
    HWND mainWindow = sys.forms().realise(main).hwnd();
    CreateDirectoryW(L"C:\\Corvell Test", nullptr);
    CopyFileW(selfPath().c_str(), L"C:\\Corvell Test\\child.exe", FALSE);
    corvell::win32::TextCalls elevated = corvell::win32::calls();
    elevated.createProcess = refuseWithoutElevation;
    g_realShellExecute = elevated.shellExecute;
    elevated.shellExecute = recordShellStart;
    corvell::win32::useTextCalls(&elevated);
    CHECK_EQ(started(sys, "\"C:\\Corvell Test\\child.exe\" one two"),
             "C:\\Corvell Test\\child.exe|C:\\Corvell Test|2|C:\\Corvell Test");
    CHECK_EQ(g_shellStart, "C:\\Corvell Test\\child.exe|one two|C:\\Corvell Test");
    // Owned by the main window, the consent prompt comes to the front.
    CHECK_NE(mainWindow, nullptr);
    CHECK_EQ(g_shellOwner, mainWindow);

    // Declined at the prompt is the user's answer; any other refusal fails.
    g_shellError = ERROR_CANCELLED;
    CHECK_EQ(sys.startProgram("C:\\Corvell Test\\child.exe"), StartOutcome::Declined);
    g_shellError = ERROR_FILE_NOT_FOUND;
    CHECK_EQ(sys.startProgram("C:\\Corvell Test\\child.exe"), StartOutcome::Failed);
    corvell::win32::useTextCalls(nullptr);
}

TEST_CASE("starting nothing or a missing program fails") {
    Win32Services sys;
    for (const char* none : {"", "C:\\no such folder\\none.exe", "C:\\windows"}) {
        CHECK_EQ(sys.startProgram(none), StartOutcome::Failed);
    }
}

TEST_CASE("a line the code page cannot hold is written as UTF-8 with a byte-order mark") {
    Win32Services sys;
    write(sys, 1, {"C:\\TV\\tv.exe", "한국TV", "t"});
    CHECK_EQ(slurp(L"C:\\dorvanlog2k.txt"), "\xEF\xBB\xBF\"C:\\TV\\tv.exe\",\"한국TV\",\"t\"\r\n");
    CHECK_EQ(offered(sys), "C:\\TV\\tv.exe|한국TV");
    // No look-alike slips through: a best fit would make "a" of "ä".
    CHECK_EQ(sys.toAnsiExact("ä"), std::optional<std::string>());
    CHECK_EQ(sys.toAnsiExact("电视 TV"), std::optional<std::string>("\xB5\xE7\xCA\xD3 TV"));
}

// NT 4's conversion: WC_NO_BEST_FIT_CHARS refused, and without it a best
// fit ("a" for "ä").
int WINAPI nt4Conversion(UINT codePage, DWORD flags, LPCWCH w, int n, LPSTR out, int size,
                         LPCCH fallback, LPBOOL usedFallback) {
    if ((flags & WC_NO_BEST_FIT_CHARS) != 0) {
        SetLastError(ERROR_INVALID_FLAGS);
        return 0;
    }
    std::wstring fitted(w, static_cast<size_t>(n));
    std::ranges::replace(fitted, L'\xE4', L'a');
    return WideCharToMultiByte(codePage, flags, fitted.data(), n, out, size, fallback,
                               usedFallback);
}

TEST_CASE("where the system knows no WC_NO_BEST_FIT_CHARS, as NT 4, no look-alike slips through") {
    Win32Services sys;
    sys.wideCharToMultiByte = nt4Conversion;
    CHECK_EQ(sys.toAnsiExact("ä"), std::optional<std::string>());
    CHECK_EQ(sys.toAnsiExact("电视 TV"), std::optional<std::string>("\xB5\xE7\xCA\xD3 TV"));
}

TEST_CASE("the user's own folder is made where the profile lacks it") {
    Win32Services sys;
    const std::wstring local = localAppData(), aside = local + L".aside";
    CHECK(MoveFileW(local.c_str(), aside.c_str()));
    CHECK(!exists(local));
    CHECK_EQ(sys.userDataFolder(), narrow(local) + "\\Corvell");
    CHECK(exists(local));
    RemoveDirectoryW(local.c_str());
    CHECK(MoveFileW(aside.c_str(), local.c_str()));
}

TEST_CASE("the program's own windows are never taken for the viewer") {
    Win32Services sys;
    HWND own = CreateWindowExW(0, L"STATIC", L"Corvell own window", WS_OVERLAPPED, 0, 0, 10, 10,
                               nullptr, nullptr, nullptr, nullptr);
    CHECK_EQ(FindWindowW(nullptr, L"Corvell own window"), own);
    CHECK_EQ(sys.findWindow("Corvell own window"), corvell::WindowHandle{0});
    DestroyWindow(own);
}

// AdjustTokenPrivileges succeeds where the token lacks the privilege; only
// the error code that follows tells.
TEST_CASE("a privilege the token lacks is told apart from one it enabled") {
    Win32Services sys;
    const corvell::NativeHandle token = sys.openProcessToken(sys.getCurrentProcess(), 0x28);
    CHECK_NE(token, corvell::NativeHandle{0});
    corvell::TokenPrivileges enable{1, sys.lookupPrivilegeValue("", "SeShutdownPrivilege"), 2};
    corvell::TokenPrivileges previous;
    uint32_t length = 0;
    CHECK_EQ(sys.adjustTokenPrivileges(token, false, enable, 16, previous, length), 0u);
    enable.luid = 0x7FFF;  // no privilege of any token
    CHECK_EQ(sys.adjustTokenPrivileges(token, false, enable, 16, previous, length),
             corvell::kNotAllAssigned);
    sys.closeHandle(token);
    // The system's own words for a failure, as the countdown window shows them.
    const std::string denied = sys.errorText(ERROR_ACCESS_DENIED);
    CHECK_NE(denied, "");
    CHECK_EQ(denied, denied.substr(0, denied.find_last_not_of("\r\n") + 1));
    CHECK_EQ(sys.errorText(0x7FFFFFFF), std::string());
}

TEST_CASE("the program's own UTF-8 conversion agrees with the system's") {
    const std::string samples[] = {
        "", "C:\\TV Capture Card\\HDTVPCI.EXE", "正在准备关机…", "取消关机\r(Esc键)",
        "한국어 😀 ü", std::string("a\0b", 3), "\xEF\xBB\xBF\"p\",\"t\"",
    };
    for (const std::string& s : samples) {
        CHECK_EQ(widen(s), e2e::widen(s));  // the system's
        CHECK_EQ(narrow(widen(s)), s);
    }
    // Broken sequences become U+FFFD, one for each byte that starts none.
    CHECK_EQ(widen("a\x80z"), std::wstring(L"a\xFFFDz"));
    CHECK_EQ(widen("\xE4\xB8"), std::wstring(L"\xFFFD\xFFFD"));
    CHECK_EQ(widen("\xC0\xAF"), std::wstring(L"\xFFFD\xFFFD"));  // overlong '/'
    CHECK_EQ(widen("\xED\xA0\x80"), std::wstring(L"\xFFFD\xFFFD\xFFFD"));  // a surrogate
    // Half a surrogate pair can't be written in UTF-8.
    CHECK_EQ(narrow(L"x\xD83Dy"), "x\xEF\xBF\xBDy");
    CHECK_EQ(narrow(L"\xD83D\xDE00"), "\xF0\x9F\x98\x80");
}
