#include "platform/win32/window.h"

#include <algorithm>
#include <iterator>
#include <map>

#include "platform/win32/system_functions.h"
#include "platform/win32/text_calls.h"

namespace corvell::win32 {

namespace {
constexpr int kIconId = 1;
}  // namespace

HINSTANCE instance() { return GetModuleHandleA(nullptr); }

HICON programIcon(int size) {
    const UINT flags = size == 0 ? LR_SHARED | LR_DEFAULTSIZE : LR_SHARED;
    return static_cast<HICON>(
        LoadImageA(instance(), MAKEINTRESOURCEA(kIconId), IMAGE_ICON, size, size, flags));
}

void setIcons(HWND h) {
    for (int big : {1, 0}) {
        HICON icon = programIcon(GetSystemMetrics(big ? SM_CXICON : SM_CXSMICON));
        calls().sendMessage(h, WM_SETICON, big ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    }
}

int windowDpi(HWND h) {
    if (sys::GetDpiForWindow && h != nullptr) {
        if (UINT d = sys::GetDpiForWindow(h)) return static_cast<int>(d);
    }
    HDC dc = GetDC(nullptr);
    const int d = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    return d > 0 ? d : 96;
}

SIZE outerSize(HWND h, int width, int height, int dpi) {
    RECT r{0, 0, width, height};
    const auto style = static_cast<DWORD>(calls().getWindowLongPtr(h, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(calls().getWindowLongPtr(h, GWL_EXSTYLE));
    if (!sys::AdjustWindowRectExForDpi ||
        !sys::AdjustWindowRectExForDpi(&r, style, FALSE, exStyle, static_cast<UINT>(dpi))) {
        AdjustWindowRectEx(&r, style, FALSE, exStyle);
    }
    return {r.right - r.left, r.bottom - r.top};
}

void centreOnMonitor(HWND h) {
    RECT wr;
    GetWindowRect(h, &wr);
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    // Windows 95 has one screen and no monitor functions.
    if (!sys::MonitorFromWindow || !sys::GetMonitorInfoA ||
        !sys::GetMonitorInfoA(sys::MonitorFromWindow(h, MONITOR_DEFAULTTOPRIMARY), &mi)) {
        mi.rcMonitor = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    }
    const RECT& m = mi.rcMonitor;
    SetWindowPos(h, nullptr, m.left + (m.right - m.left - (wr.right - wr.left)) / 2,
                 m.top + (m.bottom - m.top - (wr.bottom - wr.top)) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void bringToFront(HWND h, bool flashWhenRefused) {
    SetForegroundWindow(h);
    if (!flashWhenRefused || GetForegroundWindow() == h) return;
    // FlashWindowEx answers the caption's previous state, not success.
    FLASHWINFO fi{sizeof fi, h, FLASHW_ALL | FLASHW_TIMERNOFG, 0, 0};
    if (sys::FlashWindowEx) {
        sys::FlashWindowEx(&fi);
    } else {
        FlashWindow(h, TRUE);
    }
}

namespace {

struct Watched {
    WNDPROC old;
    MouseCallback callback;
    void* context;
};
std::map<HWND, Watched>& watched() {
    static std::map<HWND, Watched> all;
    return all;
}

struct MouseEvent {
    UINT message;
    bool up;
    ui::MouseButton button;
};

// A double click is a press too.
const MouseEvent* mouseEvent(UINT message) {
    using B = ui::MouseButton;
    static constexpr MouseEvent kEvents[] = {
        {WM_LBUTTONDOWN, false, B::Left},   {WM_LBUTTONDBLCLK, false, B::Left},
        {WM_RBUTTONDOWN, false, B::Right},  {WM_RBUTTONDBLCLK, false, B::Right},
        {WM_MBUTTONDOWN, false, B::Middle}, {WM_MBUTTONDBLCLK, false, B::Middle},
        {WM_LBUTTONUP, true, B::Left},      {WM_RBUTTONUP, true, B::Right},
        {WM_MBUTTONUP, true, B::Middle},
    };
    const auto* e = std::ranges::find(kEvents, message, &MouseEvent::message);
    return e != std::end(kEvents) ? e : nullptr;
}

LRESULT CALLBACK mouseProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    auto it = watched().find(h);
    if (it == watched().end()) return calls().defWindowProc(h, msg, wp, lp);
    const Watched w = it->second;
    if (msg == WM_NCDESTROY) watched().erase(it);
    const LRESULT result = calls().callWindowProc(w.old, h, msg, wp, lp);
    if (const MouseEvent* e = mouseEvent(msg)) {
        w.callback(w.context, h, e->up, e->button, static_cast<short>(LOWORD(lp)),
                   static_cast<short>(HIWORD(lp)));
    }
    return result;
}

}  // namespace

void watchMouse(HWND control, MouseCallback callback, void* context) {
    const auto old = reinterpret_cast<WNDPROC>(
        calls().setWindowLongPtr(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(mouseProc)));
    watched()[control] = {old, callback, context};
}

HFONT Fonts::get(const ui::Font& f, const std::string& face, int charSet, int dpi) {
    const auto it = std::ranges::find_if(made_, [&](const Made& m) {
        return m.dpi == dpi && m.centiPoints == f.centiPoints && m.bold == f.bold;
    });
    if (it != made_.end()) return it->font;
    HFONT h = calls().createFont(-MulDiv(f.centiPoints, dpi, 7200), f.bold ? FW_BOLD : FW_NORMAL,
                                 static_cast<BYTE>(charSet), face);
    made_.push_back({dpi, f.centiPoints, f.bold, h});
    return h;
}

void Fonts::keepOnly(int dpi) {
    std::erase_if(made_, [dpi](const Made& m) {
        if (m.dpi != dpi) DeleteObject(m.font);
        return m.dpi != dpi;
    });
}

void HotKeys::hold(HWND w, const std::vector<int>& keys) {
    window_ = w;
    // A hot key's ID is its window's own.
    int id = 1;
    for (int k : keys) {
        if (RegisterHotKey(w, id, 0, static_cast<UINT>(k))) held_.emplace_back(id, k);
        ++id;
    }
}

void HotKeys::release() {
    for (const auto& held : held_) UnregisterHotKey(window_, held.first);
    held_.clear();
}

int HotKeys::key(WPARAM id) const {
    const auto it = std::ranges::find_if(
        held_, [id](const std::pair<int, int>& h) { return static_cast<WPARAM>(h.first) == id; });
    return it != held_.end() ? it->second : 0;
}

COLORREF rgb(const ui::Rgb& c) { return RGB(c.r, c.g, c.b); }

int shiftState() {
    return ((GetKeyState(VK_SHIFT) < 0) ? 1 : 0) | ((GetKeyState(VK_CONTROL) < 0) ? 2 : 0) |
           ((GetKeyState(VK_MENU) < 0) ? 4 : 0);
}

}  // namespace corvell::win32
