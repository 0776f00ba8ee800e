// The two windows as real windows: places in pixels, fonts, tab order, the
// access key, echoes of the program's own changes, a timer that is not
// re-entered behind a message box, and which window flashes.
#include <windows.h>

#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "check.h"
#include "driver.h"
#include "platform/win32/program.h"
#include "platform/win32/services.h"
#include "platform/win32/system_functions.h"
#include "platform/win32/text_calls.h"
#include "platform/win32/wide.h"
#include "pump.h"
#include "ui/form0.h"
#include "ui/form1.h"

using corvell::win32::NativeForm;
using corvell::win32::Win32Services;
namespace ui = corvell::ui;

namespace {

std::string text(HWND h) { return corvell::win32::calls().getText(h); }

struct Loaded {
    Loaded() : app(sys), form(app) {
        sys.forms().setMain(form);
        native = &sys.forms().realise(form);
        form.Form_Load();
        form.stopLaunchCountdown();  // no launch while the tests run
        native->show(SW_SHOWNORMAL);
        wintest::pumpFor(sys, 200);
    }
    HWND h(const ui::Control& c) const { return native->controlHwnd(c); }
    Win32Services sys;
    corvell::App app;
    ui::Form0 form;
    NativeForm* native;
};

// A small form to watch the events that the native side feeds in.
struct Probe : ui::Form {
    Probe() : Form("Probe", "Probe", 3000, 2000) {
        text.onChange = [this] { ++changes; };
        combo.onClick = [this] { ++clicks; };
        for (int i = 1; i <= 3; ++i) combo.addItem(std::to_string(i) + "分");
    }
    ui::TextBox text{*this, 1, "Text", "a", {0, 0, 1500, 375}};
    ui::ComboBox combo{*this, 2, "Combo", "", {0, 600, 1500, 300}};
    int changes = 0;
    int clicks = 0;
};

// A form's window, shown, with its first messages handled.
NativeForm& shown(Win32Services& sys, ui::Form& f, DWORD settleMs = 100) {
    NativeForm& n = sys.forms().realise(f);
    n.show(SW_SHOWNORMAL);
    wintest::pumpFor(sys, settleMs);
    return n;
}

// A CBT hook that refuses the program's windows one event: HCBT_CREATEWND
// (no window made) or HCBT_ACTIVATE (the foreground held by another
// program, as where the system keeps it elsewhere).
template <int Refused>
LRESULT CALLBACK refuse(int code, WPARAM wp, LPARAM lp) {
    wchar_t cls[64] = L"";
    if (code == Refused) GetClassNameW(reinterpret_cast<HWND>(wp), cls, 64);
    if (lstrcmpW(cls, L"CorvellForm") == 0) return 1;
    return CallNextHookEx(nullptr, code, wp, lp);
}

std::vector<HWND> g_flashed;
BOOL WINAPI recordFlash(FLASHWINFO* fi) {
    if (fi->dwFlags == (FLASHW_ALL | FLASHW_TIMERNOFG)) g_flashed.push_back(fi->hwnd);
    return FALSE;
}

// A program stuck in its message loop is told to quit.
void CALLBACK quitIfStuck(HWND, UINT, UINT_PTR, DWORD) { PostQuitMessage(0); }

// Push buttons, one drawn by the program, a check box, and a key handler.
struct Keys : ui::Form {
    Keys() : Form("Keys", "Keys", 4000, 2000) {
        plain.onClick = [this] { ++plainClicks; };
        drawn.onClick = [this] { ++drawnClicks; };
        drawn.graphical = true;
        check.onClick = [this] { check.setCaption(check.value() ? "on" : "off"); };
        onKeyDown = [this](int key, int) { keys.push_back(key); };
    }
    ui::CommandButton plain{*this, 1, "Plain", "Plain", {0, 0, 1500, 495}};
    ui::CommandButton drawn{*this, 2, "Drawn", "Drawn", {1600, 0, 1500, 495}};
    ui::CheckBox check{*this, 3, "Check", "off", {0, 600, 1500, 375}};
    int plainClicks = 0;
    int drawnClicks = 0;
    std::vector<int> keys;
};

HWND otherWindow() {
    HWND w = CreateWindowExW(0, L"EDIT", L"Another program", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                             0, 0, 300, 200, nullptr, nullptr, nullptr, nullptr);
    SetForegroundWindow(w);
    SetFocus(w);
    return w;
}

bool escapeFree() {
    if (!RegisterHotKey(nullptr, 77, 0, VK_ESCAPE)) return false;
    UnregisterHotKey(nullptr, 77);
    return true;
}

// The face, character set and size of a control's font as its design
// says, at the window's DPI.
void checkFont(const NativeForm& n, const ui::Control& c) {
    LOGFONTW lf{};
    HWND h = n.controlHwnd(c);
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(h, WM_GETFONT, 0, 0)), sizeof lf, &lf);
    const ui::Form& f = *n.model();
    const ui::Font font = c.font.value_or(f.defaultFont);
    CHECK_EQ(corvell::win32::narrow(lf.lfFaceName), f.fontFace);
    CHECK_EQ(static_cast<int>(lf.lfCharSet), f.fontCharSet);
    CHECK_EQ(lf.lfHeight, -MulDiv(font.centiPoints, n.dpi(), 7200));
    CHECK_EQ(lf.lfWeight >= FW_BOLD, font.bold);
}

// "Name #ID left,top widthxheight" in pixels.
std::string box(const ui::Control& c, int id, int left, int top, int width, int height) {
    return c.name() + " #" + std::to_string(id) + " " + std::to_string(left) + "," +
           std::to_string(top) + " " + std::to_string(width) + "x" + std::to_string(height);
}

// Every control where its design puts it, in pixels at the window's DPI,
// with its design's ID. A closed combo box may be a pixel or two higher:
// its height follows its font.
void checkPlaces(const NativeForm& n) {
    const ui::Form& f = *n.model();
    const auto px = [&](int twips) { return MulDiv(twips, n.dpi(), 1440); };
    RECT client;
    GetClientRect(n.hwnd(), &client);
    CHECK_EQ(client.right, px(f.clientWidth));
    CHECK_EQ(client.bottom, px(f.clientHeight));
    for (const ui::Control* c : f.controls()) {
        if (c->kind() == ui::Kind::Timer) continue;
        HWND h = n.controlHwnd(*c);
        RECT r;
        GetWindowRect(h, &r);
        MapWindowPoints(nullptr, n.hwnd(), reinterpret_cast<POINT*>(&r), 2);
        const ui::Geometry& g = c->geometry;
        int height = r.bottom - r.top;
        if (c->kind() == ui::Kind::ComboBox && height >= px(g.height) && height <= px(g.height) + 2) {
            height = px(g.height);
        }
        CHECK_EQ(box(*c, GetDlgCtrlID(h), r.left, r.top, r.right - r.left, height),
                 box(*c, c->id(), px(g.left), px(g.top), px(g.width), px(g.height)));
    }
}

}  // namespace

TEST_CASE("every control of the main window is where the design puts it") {
    Loaded w;
    checkPlaces(*w.native);
    CHECK(!IsWindowVisible(w.h(w.form.Command2)));
    CHECK(!IsWindowVisible(w.h(w.form.Command5)));
}

// The countdown window as the watch shows it, with key presses caught
// rather than ending the test program.
struct Countdown {
    Countdown() : app(sys), main(app), form(app) {
        sys.forms().setMain(main);
        sys.forms().realise(main);
        form.Form_Load();
        form.onKeyDown = [this](int key, int) { keys.push_back(key); };
        native = &shown(sys, form, 300);
    }
    HWND h(const ui::Control& c) const { return native->controlHwnd(c); }
    COLORREF pixel(HWND w, int x, int y) const {
        HDC dc = GetDC(w);
        const COLORREF c = GetPixel(dc, x, y);
        ReleaseDC(w, dc);
        return c;
    }
    Win32Services sys;
    corvell::App app;
    ui::Form0 main;
    ui::Form1 form;
    NativeForm* native;
    std::vector<int> keys;
};

TEST_CASE("the countdown window: size, frame, fonts, colours, key preview and icon") {
    Countdown w;
    checkPlaces(*w.native);
    HWND f = w.native->hwnd();
    CHECK_EQ(text(f), std::string(ui::kCountdownCaption));
    const LONG style = GetWindowLongW(f, GWL_STYLE);
    CHECK_EQ(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
    CHECK_EQ(style & (WS_CAPTION | WS_SYSMENU), WS_CAPTION | WS_SYSMENU);
    CHECK_NE(GetWindowLongW(f, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME, 0);
    for (const ui::CommandButton* hidden :
         {&w.form.cmdLogoff, &w.form.cmdForceLogoff, &w.form.cmdShutdown, &w.form.cmdForceShutdown})
        CHECK(!IsWindowVisible(w.h(*hidden)));
    CHECK_EQ(text(w.h(w.form.Command1)), std::string("取消关机\r\n(Esc键)"));
    CHECK_EQ(text(w.h(w.form.Label1)), std::string("10"));
    checkFont(*w.native, w.form.Command1);
    checkFont(*w.native, w.form.Label1);

    // The cancel button is drawn by the program in its own colour; the
    // window and the number's background are light grey, the number navy.
    HWND cancel = w.h(w.form.Command1);
    CHECK_EQ(GetWindowLongW(cancel, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
    CHECK_EQ(w.pixel(cancel, 8, 8), RGB(192, 192, 255));
    CHECK_EQ(w.pixel(f, 2, 2), RGB(224, 224, 224));
    HDC dc = CreateCompatibleDC(nullptr);
    SendMessageW(f, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                 reinterpret_cast<LPARAM>(w.h(w.form.Label1)));
    CHECK_EQ(GetTextColor(dc), RGB(0, 0, 128));
    CHECK_EQ(GetBkColor(dc), RGB(224, 224, 224));
    DeleteDC(dc);

    // Keys pressed on the button reach the window's handler first.
    SetForegroundWindow(f);
    SetFocus(cancel);
    PostMessageW(cancel, WM_KEYDOWN, VK_ESCAPE, 0);
    PostMessageW(cancel, WM_KEYDOWN, 'A', 0);
    wintest::pumpFor(w.sys, 100);
    CHECK_EQ(w.keys, (std::vector<int>{VK_ESCAPE, 'A'}));

    const auto icon = [](HWND h) { return SendMessageW(h, WM_GETICON, ICON_BIG, 0); };
    CHECK_NE(icon(f), 0);
    CHECK_EQ(icon(f), icon(w.sys.forms().window(w.main)));
}

// Programs asked before one that refused the end of the session are told
// with WM_ENDSESSION(FALSE): after its request, the window says the
// computer stayed on, and its button is live again.
TEST_CASE("a session end called off reaches the countdown window, which says so") {
    Countdown w;
    HWND f = w.native->hwnd();
    SendMessageW(f, WM_ENDSESSION, FALSE, 0);  // before the request: not its own
    CHECK_EQ(text(f), std::string(ui::kCountdownCaption));
    w.form.stage = ui::Form1::Stage::ShuttingDown;
    w.form.Command1.setEnabled(false);
    SendMessageW(f, WM_ENDSESSION, FALSE, 0);
    wintest::pumpFor(w.sys, 100);
    CHECK_EQ(text(f), std::string("没有关机"));
    CHECK(!IsWindowVisible(w.h(w.form.Label1)));
    CHECK(IsWindowVisible(w.h(w.form.Label2)));
    CHECK_EQ(text(w.h(w.form.Label2)), std::string("电脑没有关机。\r\n有程序阻止了关机。"));
    checkFont(*w.native, w.form.Label2);
    CHECK_EQ(text(w.h(w.form.Command1)), std::string("退出\r\n(Esc键)"));
    CHECK(IsWindowEnabled(w.h(w.form.Command1)));
}

// Where the system keeps the foreground for another program, the
// countdown window's taskbar button flashes; the main window's does not.
TEST_CASE("with the foreground held elsewhere, the countdown window alone flashes") {
    HWND other = otherWindow();
    HHOOK hook = SetWindowsHookExW(WH_CBT, refuse<HCBT_ACTIVATE>, nullptr, GetCurrentThreadId());
    corvell::win32::sys::FlashWindowEx.replace(recordFlash);
    g_flashed.clear();
    {
        Countdown w;
        w.sys.forms().native(w.main)->show(SW_SHOWNORMAL);
        wintest::pumpFor(w.sys, 100);
        CHECK_EQ(GetForegroundWindow(), other);
        CHECK_EQ(g_flashed, std::vector<HWND>{w.native->hwnd()});
    }
    corvell::win32::sys::FlashWindowEx.replace(nullptr);
    UnhookWindowsHookEx(hook);
    DestroyWindow(other);
}

TEST_CASE("explicit fonts are SimSun in GB2312 at their sizes") {
    Loaded w;
    const ui::Control* explicitFonts[] = {&w.form.Text1, &w.form.Text2, &w.form.Command1,
                                          &w.form.Label2};
    for (const ui::Control* c : explicitFonts) {
        CHECK(c->font.has_value());
        checkFont(*w.native, *c);
    }
}

TEST_CASE("the window shows what start-up set") {
    Loaded w;
    CHECK_EQ(text(w.native->hwnd()), std::string(ui::kMainCaption));
    CHECK_EQ(text(w.h(w.form.Label3)),
             std::string("请在下面的文本框中输入电视卡应用程序的窗口标题。\r\n(注意：请确保正确，否则程序将无法正常工作！)"));
    CHECK_EQ(text(w.h(w.form.Combo1)), w.form.Combo1.text());
    CHECK_EQ(SendMessageW(w.h(w.form.Combo5), CB_GETCOUNT, 0, 0), 59);
    CHECK_EQ(text(w.h(w.form.Label4)), w.form.Label4.text());
    const LONG style = GetWindowLongW(w.native->hwnd(), GWL_STYLE);
    CHECK_EQ(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME),
             WS_MINIMIZEBOX | WS_THICKFRAME);
}

TEST_CASE("Tab visits the controls in design order") {
    Loaded w;
    const ui::Control* order[] = {&w.form.Text1,  &w.form.Text2,    &w.form.Combo1, &w.form.Combo2,
                                  &w.form.Combo3, &w.form.Combo4,   &w.form.Combo5, &w.form.Combo6,
                                  &w.form.Check1, &w.form.Command4, &w.form.Command1,
                                  &w.form.Command3, &w.form.Text1};
    HWND at = w.h(w.form.Text1);
    for (size_t i = 1; i < std::size(order); ++i) {
        at = GetNextDlgTabItem(w.native->hwnd(), at, FALSE);
        CHECK_EQ(GetDlgCtrlID(at), order[i]->id());
    }
}

TEST_CASE("Alt+S presses the stop/start button from any control") {
    Loaded w;
    SetForegroundWindow(w.native->hwnd());
    SetFocus(w.h(w.form.Combo4));
    wintest::pumpFor(w.sys, 100);
    CHECK(!w.form.Timer2.enabled());
    e2e::keys({VK_MENU, 'S'});
    CHECK(wintest::pumpUntil(w.sys, [&] { return w.form.Timer2.enabled(); }, 2000));
    CHECK_EQ(text(w.h(w.form.Command4)), std::string(ui::kStopCaption));
    w.form.stopLaunchCountdown();
}

TEST_CASE("changes made by code raise one event; typing and choosing raise theirs") {
    Win32Services sys;
    Probe p;
    NativeForm& n = shown(sys, p);
    p.text.setText("b");
    CHECK_EQ(p.changes, 1);
    CHECK_EQ(text(n.controlHwnd(p.text)), std::string("b"));
    p.combo.setText("9分");
    CHECK_EQ(p.clicks, 0);

    SendMessageW(n.controlHwnd(p.text), WM_CHAR, 'x', 0);
    wintest::pumpFor(sys, 50);
    CHECK_EQ(p.changes, 2);
    CHECK_EQ(p.text.text(), text(n.controlHwnd(p.text)));
    CHECK_EQ(p.text.text().size(), 2u);

    // Down arrow in a closed drop-down box chooses the next item.
    SetFocus(n.controlHwnd(p.combo));
    SendMessageW(n.controlHwnd(p.combo), WM_KEYDOWN, VK_DOWN, 0);
    wintest::pumpFor(sys, 50);
    CHECK_EQ(p.clicks, 1);
    CHECK_EQ(p.combo.text(), std::string("1分"));
}

TEST_CASE("a tick that falls due behind a message box is dropped; other timers go on") {
    struct Ticking : ui::Form {
        Ticking() : Form("T", "T", 1000, 1000) {}
        ui::Timer boxed{*this, 1, "Boxed", 100, true};
        ui::Timer other{*this, 2, "Other", 50, true};
    } f;
    Win32Services sys;
    NativeForm& n = sys.forms().realise(f);
    int boxedTicks = 0, otherWhileBoxed = 0;
    bool boxUp = false;
    f.boxed.onTimer = [&] {
        ++boxedTicks;
        if (boxedTicks > 1) return;
        boxUp = true;
        sys.messageBox("held");  // the other timer ticks meanwhile
        // cppcheck-suppress redundantAssignment
        boxUp = false;
    };
    f.other.onTimer = [&] {
        if (boxUp) ++otherWhileBoxed;
        if (boxUp && otherWhileBoxed == 12) {
            HWND box = FindWindowW(L"#32770", L"Corvell");
            if (box != nullptr) PostMessageW(box, WM_COMMAND, IDOK, 0);
        }
    };
    CHECK(wintest::pumpUntil(sys, [&] { return boxedTicks >= 2; }, 5000));
    CHECK_GE(otherWhileBoxed, 12);
    CHECK_EQ(boxedTicks, 2);
    DestroyWindow(n.hwnd());
}

TEST_CASE("a form destroyed before its window takes the window with it") {
    Win32Services sys;
    const int before = NativeForm::liveWindows();
    alignas(Probe) unsigned char storage[sizeof(Probe)];
    auto* p = new (storage) Probe;
    NativeForm& n = sys.forms().realise(*p);
    HWND h = n.hwnd();
    n.show(SW_SHOWNORMAL);
    wintest::pumpFor(sys, 50);
    p->~Probe();
    // Whatever still reached the form would now read rubbish.
    std::memset(storage, 0xCC, sizeof storage);
    CHECK(!IsWindow(h));
    CHECK_EQ(n.model(), nullptr);
    CHECK_EQ(NativeForm::liveWindows(), before);
    wintest::pumpFor(sys, 50);
    // A new form in the same place gets a window of its own.
    auto* q = new (storage) Probe;
    CHECK_EQ(sys.forms().native(*q), nullptr);
    const NativeForm& m = sys.forms().realise(*q);
    CHECK_NE(m.hwnd(), nullptr);
    CHECK_NE(m.hwnd(), h);
    CHECK_EQ(m.model(), q);
    q->~Probe();
    CHECK_EQ(NativeForm::liveWindows(), before);
}

TEST_CASE("a main window that cannot be made ends the program with an error") {
    HHOOK hook = SetWindowsHookExW(WH_CBT, refuse<HCBT_CREATEWND>, nullptr, GetCurrentThreadId());
    CHECK_NE(hook, nullptr);
    const UINT_PTR watchdog = SetTimer(nullptr, 0, 5000, quitIfStuck);
    const DWORD start = GetTickCount();
    const int code = corvell::win32::runProgram(SW_HIDE);
    KillTimer(nullptr, watchdog);
    UnhookWindowsHookEx(hook);
    CHECK_NE(code, 0);
    CHECK_LT(GetTickCount() - start, 4000u);
}

TEST_CASE("Enter and Space click the focused push button, drawn or not; Space ticks the box") {
    Win32Services sys;
    Keys k;
    NativeForm& n = shown(sys, k);
    const struct Step {
        const ui::Control* target;
        WORD key;
        const int* counter;
    } steps[] = {{&k.plain, VK_RETURN, &k.plainClicks}, {&k.plain, VK_SPACE, &k.plainClicks},
                 {&k.drawn, VK_RETURN, &k.drawnClicks}, {&k.drawn, VK_SPACE, &k.drawnClicks}};
    for (const Step& s : steps) {
        SetFocus(n.controlHwnd(*s.target));
        const int before = *s.counter;
        e2e::keys({s.key});
        CHECK(wintest::pumpUntil(sys, [&] { return *s.counter == before + 1; }, 2000));
        wintest::pumpFor(sys, 100);
        CHECK_EQ(*s.counter, before + 1);  // once, not also through the dialog manager
    }
    SetFocus(n.controlHwnd(k.check));
    e2e::keys({VK_SPACE});
    CHECK(wintest::pumpUntil(sys, [&] { return k.check.value() == 1; }, 2000));
    CHECK_EQ(k.check.text(), std::string("on"));
    e2e::keys({VK_SPACE});
    CHECK(wintest::pumpUntil(sys, [&] { return k.check.value() == 0; }, 2000));
    DestroyWindow(n.hwnd());
}

TEST_CASE("a topmost window's global key reaches it from another window until it closes") {
    Win32Services sys;
    Keys k;
    k.topmost = true;
    k.globalKeys = {VK_ESCAPE};
    CHECK(escapeFree());
    NativeForm& n = shown(sys, k);
    CHECK_NE(GetWindowLongW(n.hwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    CHECK(!escapeFree());

    HWND other = otherWindow();
    wintest::pumpFor(sys, 100);
    CHECK_EQ(GetForegroundWindow(), other);
    // Still in front of the window that has the focus.
    RECT r;
    GetWindowRect(n.hwnd(), &r);
    POINT centre{(r.left + r.right) / 2, r.top + 5};
    CHECK_EQ(GetAncestor(WindowFromPoint(centre), GA_ROOT), n.hwnd());
    e2e::keys({VK_ESCAPE});
    CHECK(wintest::pumpUntil(sys, [&] { return !k.keys.empty(); }, 2000));
    CHECK_EQ(k.keys, std::vector<int>{VK_ESCAPE});

    // Closed by its close button: the key is the other programs' again.
    SendMessageW(n.hwnd(), WM_CLOSE, 0, 0);
    wintest::pumpFor(sys, 50);
    CHECK(escapeFree());
    DestroyWindow(other);
}

TEST_CASE("where another program holds the global key, key preview still brings it") {
    Win32Services sys;
    CHECK(RegisterHotKey(nullptr, 78, 0, VK_ESCAPE));
    Keys k;
    k.keyPreview = true;
    k.globalKeys = {VK_ESCAPE};
    NativeForm& n = shown(sys, k);
    SetFocus(n.controlHwnd(k.plain));
    // The other holder's key arrives as its WM_HOTKEY, not as a key press.
    UnregisterHotKey(nullptr, 78);
    e2e::keys({VK_ESCAPE});
    CHECK(wintest::pumpUntil(sys, [&] { return !k.keys.empty(); }, 2000));
    wintest::pumpFor(sys, 100);
    CHECK_EQ(k.keys, std::vector<int>{VK_ESCAPE});
    DestroyWindow(n.hwnd());
    CHECK(escapeFree());
}
