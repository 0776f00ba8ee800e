// Stand-in for the TV viewer in end-to-end runs. Never shipped.
//
//   stub_viewer.exe [--log FILE] [--ignore-close N] [--hang-after MS]
//                   [--refuse-end-session] [--] TITLE...
//
// TITLE is the rest of the command line, taken verbatim so that repeated
// spaces survive; one pair of surrounding quotes is removed.
#include <windows.h>

#include <cstdio>
#include <functional>
#include <map>
#include <string>

#include "driver.h"

namespace {

using e2e::narrow;

std::wstring g_log;
int g_ignoreClose = 0;
bool g_refuseEnd = false;

// Reopened for every line so that a killed stub still leaves whole lines behind.
void logLine(const std::string& event) {
    if (g_log.empty()) return;
    const auto ms = static_cast<long long>(e2e::seconds() * 1000);
    SYSTEMTIME st;
    GetLocalTime(&st);
    char head[96];
    std::snprintf(head, sizeof head, "%lld %04u-%02u-%02u %02u:%02u:%02u.%03u pid=%lu ", ms,
                  st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds,
                  GetCurrentProcessId());
    std::string line = head + event + "\r\n";
    HANDLE f = CreateFileW(g_log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return;
    DWORD written;
    WriteFile(f, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(f);
}

LRESULT CALLBACK wndProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_CLOSE:
            if (g_ignoreClose > 0) {
                --g_ignoreClose;
                logLine("WM_CLOSE ignored");
                return 0;
            }
            logLine("WM_CLOSE");
            DestroyWindow(w);
            return 0;
        case WM_QUERYENDSESSION:
            logLine(std::string("WM_QUERYENDSESSION") + (g_refuseEnd ? " refused" : ""));
            return g_refuseEnd ? FALSE : TRUE;
        case WM_ENDSESSION:
            logLine("WM_ENDSESSION wParam=" + std::to_string(wp));
            return 0;
        case WM_TIMER:  // --hang-after
            KillTimer(w, wp);
            logLine("hanging");
            for (;;) Sleep(INFINITE);
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(w, &ps);
            RECT r;
            GetClientRect(w, &r);
            SetBkMode(dc, TRANSPARENT);
            DrawTextW(dc,
                      L"\x6F14\x793A\x7528\x7684\x7535\x89C6\x7A0B\x5E8F\r\n"
                      L"\x5173\x95ED\x6B64\x7A97\x53E3\x5373\x6A21\x62DF\x5173\x95ED\x7535\x89C6",
                      -1, &r, DT_CENTER | DT_VCENTER | DT_WORDBREAK);
            EndPaint(w, &ps);
            return 0;
        }
        case WM_DESTROY:
            logLine("destroyed");
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcW(w, msg, wp, lp);
}

// Splits off one whitespace-separated token (quotes grouped and removed) and
// advances p past it.
std::wstring nextToken(const wchar_t*& p) {
    while (*p == L' ' || *p == L'\t') ++p;
    std::wstring t;
    bool quoted = false;
    for (; *p; ++p) {
        if (*p == L'"') {
            quoted = !quoted;
            continue;
        }
        if (!quoted && (*p == L' ' || *p == L'\t')) break;
        t += *p;
    }
    return t;
}

struct Options {
    int hangMs = -1;
    std::wstring title;
};

// The options, from the raw command line, because the title's own spacing
// must be kept. Started with nothing after its name (as from a bare path),
// the stub takes them from a file beside it, or stands in for the default
// viewer.
Options parse() {
    const wchar_t* p = GetCommandLineW();
    nextToken(p);  // program name
    std::wstring fromFile;
    while (*p == L' ' || *p == L'\t') ++p;
    if (*p == L'\0') {
        const std::string exe = e2e::exePath();
        std::string args = e2e::readFile(exe.substr(0, exe.find_last_of('.')) + ".args");
        while (!args.empty() && (args.back() == '\n' || args.back() == '\r')) args.pop_back();
        fromFile = args.empty() ? L"TV Capture Card" : e2e::widen(args);
        p = fromFile.c_str();
    }
    Options o;
    const auto number = [&] { return _wtoi(nextToken(p).c_str()); };
    const std::map<std::wstring, std::function<void()>> options{
        {L"--log", [&] { g_log = nextToken(p); }},
        {L"--ignore-close", [&] { g_ignoreClose = number(); }},
        {L"--hang-after", [&] { o.hangMs = number(); }},
        {L"--refuse-end-session", [] { g_refuseEnd = true; }},
    };
    for (const wchar_t* save = p;; save = p) {
        const std::wstring opt = nextToken(p);
        const auto found = options.find(opt);
        if (found == options.end()) {
            if (opt != L"--") p = save;  // the title begins
            break;
        }
        found->second();
    }
    while (*p == L' ' || *p == L'\t') ++p;
    o.title = p;
    while (!o.title.empty() && (o.title.back() == L' ' || o.title.back() == L'\t')) o.title.pop_back();
    if (o.title.size() >= 2 && o.title.front() == L'"' && o.title.back() == L'"')
        o.title = o.title.substr(1, o.title.size() - 2);
    return o;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE, PWSTR, int nShowCmd) {
    e2e::seconds();
    const Options o = parse();
    const std::wstring& title = o.title;

    WNDCLASSW wc{};
    wc.lpfnWndProc = wndProc;
    wc.hInstance = hInstance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
    wc.lpszClassName = L"CorvellStubViewer";
    RegisterClassW(&wc);

    HWND w = CreateWindowExW(0, wc.lpszClassName, title.c_str(), WS_OVERLAPPEDWINDOW,
                             CW_USEDEFAULT, CW_USEDEFAULT, 320, 200, nullptr, nullptr, hInstance,
                             nullptr);
    if (!w) return 1;
    ShowWindow(w, nShowCmd == SW_HIDE ? SW_SHOWNORMAL : nShowCmd);
    UpdateWindow(w);
    // Logged only now: "started" means FindWindow can already see us.
    wchar_t folder[MAX_PATH] = L"";
    GetCurrentDirectoryW(MAX_PATH, folder);
    logLine("started title=" + narrow(title) + " folder=" + narrow(folder));

    if (o.hangMs >= 0) SetTimer(w, 1, o.hangMs, nullptr);

    MSG m;
    while (GetMessageW(&m, nullptr, 0, 0) > 0) {
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
    logLine("exit");
    return static_cast<int>(m.wParam);
}
