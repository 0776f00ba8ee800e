// The cheapest program that does the same watching, as the yardstick of the
// benchmarks: one window, one 1-second timer. Given a title on its command
// line, each tick looks that window up; once seen and then gone, it writes
// one line to C:\bench\baseline-stop.txt and stops.
#include <windows.h>

namespace {

const wchar_t* g_title = nullptr;
bool g_seen = false;

LRESULT CALLBACK proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_TIMER:
            if (g_title == nullptr) return 0;
            if (FindWindowW(nullptr, g_title) != nullptr) {
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
    HWND w = CreateWindowW(L"Baseline", L"Baseline", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                           CW_USEDEFAULT, 400, 249, nullptr, nullptr, inst, nullptr);
    SetTimer(w, 1, 1000, nullptr);
    ShowWindow(w, show);
    MSG m;
    while (GetMessageW(&m, nullptr, 0, 0) > 0) DispatchMessageW(&m);
    return 0;
}
