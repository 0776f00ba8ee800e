// Runs every case. A copy under another name is a child started by the
// services under test: it reports where it runs from, how many arguments it
// got and the folder it was started in, and exits.
#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <string>
#include <string_view>

#include "check.h"
#include "driver.h"
#include "platform/win32/services.h"
#include "platform/win32/text_calls.h"
#include "platform/win32/wide.h"

int main() {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    if (!std::wstring_view(self).ends_with(L"win32_tests.exe")) {
        corvell::win32::Win32Services sys;
        int argc = 0;
        LocalFree(CommandLineToArgvW(GetCommandLineW(), &argc));
        wchar_t cwd[MAX_PATH] = L"";
        GetCurrentDirectoryW(MAX_PATH, cwd);
        const std::string report = corvell::win32::narrow(self) + "|" + sys.exeFolder() + "|" +
                                   std::to_string(argc - 1) + "|" + corvell::win32::narrow(cwd);
        // Written aside and then renamed: once the report is there, it is whole.
        e2e::writeFile("C:\\corvell-report.tmp", report);
        MoveFileExW(L"C:\\corvell-report.tmp", L"C:\\corvell-report.txt", MOVEFILE_REPLACE_EXISTING);
        return 0;
    }
    // Each run takes one side of the text calls: the wide one by default,
    // the ANSI one (Windows 95/98/Me) with --ansi.
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    const bool ansi = argc > 1 && lstrcmpW(argv[1], L"--ansi") == 0;
    LocalFree(argv);
    corvell::win32::useTextCalls(!ansi);
    std::printf("text calls: %s\n", corvell::win32::calls().wide ? "wide" : "ANSI");
    return check::runAll();
}
