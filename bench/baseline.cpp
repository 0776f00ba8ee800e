// The cheapest program that does the same watching, as the yardstick of the
// benchmarks: one window, one 1-second timer. Given a title on its command
// line, each tick looks that window up; once seen and then gone, it writes
// one line to C:\bench\baseline-stop.txt and stops.
//
// Built a second time with BASELINE_CLOCK=1 (baseline_clock.exe), it also
// does the visible work corvell must do: the clock line, a SimSun label set
// to the present time every tick, with the window minimised while watching.
#include <windows.h>

#ifndef BASELINE_CLOCK
#define BASELINE_CLOCK 0
#endif

namespace {

constexpr bool kClock = BASELINE_CLOCK != 0;

const wchar_t* g_title = nullptr;
bool g_seen = false;
HWND g_label = nullptr;

// As corvell's Label6: its text and, on a minimised window, no drawing.
void showClock(HWND w) {
    SYSTEMTIME t;
    GetLocalTime(&t);
    wchar_t text[96];
    wsprintfW(text, L"下面是预设定时关机时间。现在时间是:%u年%u月%u日%u时%u分%u秒", t.wYear,
              t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
    const bool hidden = IsIconic(w) != FALSE;
    if (hidden) SendMessageW(g_label, WM_SETREDRAW, FALSE, 0);
    SetWindowTextW(g_label, text);
    if (hidden) SendMessageW(g_label, WM_SETREDRAW, TRUE, 0);
}

LRESULT CALLBACK proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_TIMER:
            if (kClock) showClock(w);
            if (g_title == nullptr) return 0;
            if (FindWindowW(nullptr, g_title) != nullptr) {
                // corvell minimises its window when it starts watching.
                if (kClock && !g_seen) ShowWindow(w, SW_MINIMIZE);
                g_seen = true;
            } else if (g_seen) {
                KillTimer(w, 1);
                HANDLE f = CreateFileW(L"C:\\bench\\baseline-stop.txt", GENERIC_WRITE, 0, nullptr,
                                       CREATE_ALWAYS, 0, nullptr);
                DWORD n;
                WriteFile(f, "\"stop\"\r\n", 8, &n, nullptr);
                CloseHandle(f);
            }
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(w, msg, wp, lp);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE inst, HINSTANCE, PWSTR cmd, int show) {
    if (cmd != nullptr && *cmd != 0) g_title = cmd;
    WNDCLASSW wc{};
    wc.lpfnWndProc = proc;
    wc.hInstance = inst;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"Baseline";
    RegisterClassW(&wc);
    HWND w =
        CreateWindowW(L"Baseline", kClock ? L"Baseline clock" : L"Baseline", WS_OVERLAPPEDWINDOW,
                      CW_USEDEFAULT, CW_USEDEFAULT, 400, 249, nullptr, nullptr, inst, nullptr);
    if (kClock) {
        // Label6's place and font at 96 dpi: 9 pt SimSun in GB2312.
        g_label =
            CreateWindowW(L"STATIC", L"下面是预设定时关机时间。", WS_CHILD | WS_VISIBLE | SS_CENTER,
                          8, 136, 385, 17, w, nullptr, inst, nullptr);
        HDC dc = GetDC(nullptr);
        HFONT font =
            CreateFontW(-MulDiv(9, GetDeviceCaps(dc, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL, FALSE,
                        FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                        DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"宋体");
        ReleaseDC(nullptr, dc);
        SendMessageW(g_label, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    SetTimer(w, 1, 1000, nullptr);
    ShowWindow(w, show);
    MSG m;
    while (GetMessageW(&m, nullptr, 0, 0) > 0) DispatchMessageW(&m);
    return 0;
}
