// The main window as a real window: geometry in pixels, fonts, tab order,
// the access key, echoes of the program's own changes, and a timer that is
// not re-entered behind a message box.
#include <windows.h>

#include <string>

#include "check.h"
#include "platform/win32/services.h"
#include "platform/win32/wide.h"
#include "pump.h"
#include "ui/form0.h"

using corvell::win32::NativeForm;
using corvell::win32::Win32Services;
namespace ui = corvell::ui;

namespace {

RECT childRect(HWND parent, HWND child) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::string text(HWND h) { return corvell::win32::narrow(corvell::win32::windowText(h)); }

struct Loaded {
    Loaded() : app(sys), form(app) {
        sys.setMainForm(form);
        native = &sys.realise(form);
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
    ui::TextBox text{*this, "Text", "a", {0, 0, 1500, 375}};
    ui::ComboBox combo{*this, "Combo", "", {0, 600, 1500, 300}};
    int changes = 0;
    int clicks = 0;
};

}  // namespace

TEST_CASE("twips become pixels at the window's DPI") {
    Loaded w;
    const int dpi = w.native->dpi();
    RECT client;
    GetClientRect(w.native->hwnd(), &client);
    CHECK_EQ(client.right, MulDiv(6000, dpi, 1440));
    CHECK_EQ(client.bottom, MulDiv(3735, dpi, 1440));
    const RECT t1 = childRect(w.native->hwnd(), w.h(w.form.Text1));
    CHECK_EQ(t1.left, MulDiv(120, dpi, 1440));
    CHECK_EQ(t1.top, MulDiv(480, dpi, 1440));
    CHECK_EQ(t1.right - t1.left, MulDiv(5775, dpi, 1440));
    CHECK_EQ(t1.bottom - t1.top, MulDiv(375, dpi, 1440));
    const RECT c3 = childRect(w.native->hwnd(), w.h(w.form.Combo3));
    // Closed, not with its list; the font may ask for a pixel or two more.
    CHECK(c3.bottom - c3.top >= MulDiv(300, dpi, 1440));
    CHECK(c3.bottom - c3.top <= MulDiv(300, dpi, 1440) + 2);
    CHECK(!IsWindowVisible(w.h(w.form.Command2)));
    CHECK(!IsWindowVisible(w.h(w.form.Command5)));
    CHECK_EQ(GetDlgCtrlID(w.h(w.form.Text1)), 1000);
    CHECK_EQ(GetDlgCtrlID(w.h(w.form.Command3)), 1011);
}

TEST_CASE("explicit fonts are SimSun in GB2312 at their sizes") {
    Loaded w;
    const int dpi = w.native->dpi();
    struct {
        const ui::Control* c;
        int centiPoints;
        bool bold;
    } want[] = {{&w.form.Text1, 1050, false}, {&w.form.Text2, 1050, true},
                {&w.form.Command1, 900, true}, {&w.form.Label2, 1425, true}};
    for (auto& e : want) {
        LOGFONTW lf{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(w.h(*e.c), WM_GETFONT, 0, 0)), sizeof lf, &lf);
        CHECK_EQ(corvell::win32::narrow(lf.lfFaceName), std::string("宋体"));
        CHECK_EQ(static_cast<int>(lf.lfCharSet), 134);
        CHECK_EQ(lf.lfHeight, -MulDiv(e.centiPoints, dpi, 7200));
        CHECK_EQ(lf.lfWeight >= FW_BOLD, e.bold);
    }
}

TEST_CASE("the window shows what start-up set") {
    Loaded w;
    CHECK_EQ(text(w.native->hwnd()), std::string("Corvell1.0"));
    CHECK_EQ(text(w.h(w.form.Label3)),
             std::string("请在下面的文本框中输入电视卡应用程序的窗口标题。\r\n(注意：请确保正确，否则程序将无法正常工作！)"));
    CHECK_EQ(text(w.h(w.form.Combo1)), w.form.Combo1.text());
    CHECK_EQ(static_cast<int>(SendMessageW(w.h(w.form.Combo5), CB_GETCOUNT, 0, 0)), 59);
    CHECK_EQ(text(w.h(w.form.Label4)), w.form.Label4.text());
    LONG style = GetWindowLongW(w.native->hwnd(), GWL_STYLE);
    CHECK((style & WS_MINIMIZEBOX) != 0);
    CHECK((style & WS_MAXIMIZEBOX) == 0);
    CHECK((style & WS_THICKFRAME) != 0);
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
        CHECK(at == w.h(*order[i]));
    }
}

TEST_CASE("Alt+S presses the stop/start button from any control") {
    Loaded w;
    SetForegroundWindow(w.native->hwnd());
    SetFocus(w.h(w.form.Combo4));
    wintest::pumpFor(w.sys, 100);
    CHECK(!w.form.Timer2.enabled());
    INPUT in[4]{};
    for (INPUT& i : in) i.type = INPUT_KEYBOARD;
    in[0].ki.wVk = VK_MENU;
    in[1].ki.wVk = 'S';
    in[2].ki.wVk = 'S';
    in[2].ki.dwFlags = KEYEVENTF_KEYUP;
    in[3].ki.wVk = VK_MENU;
    in[3].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(4, in, sizeof(INPUT));
    CHECK(wintest::pumpUntil(w.sys, [&] { return w.form.Timer2.enabled(); }, 2000));
    CHECK_EQ(text(w.h(w.form.Command4)), std::string(ui::kStopCaption));
    w.form.stopLaunchCountdown();
}

TEST_CASE("changes made by code raise one event; typing and choosing raise theirs") {
    Win32Services sys;
    Probe p;
    NativeForm& n = sys.realise(p);
    n.show(SW_SHOWNORMAL);
    wintest::pumpFor(sys, 100);
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
        ui::Timer boxed{*this, "Boxed", 100, true};
        ui::Timer other{*this, "Other", 50, true};
    } f;
    Win32Services sys;
    NativeForm& n = sys.realise(f);
    int boxedTicks = 0, otherTicks = 0, otherWhileBoxed = 0;
    bool boxUp = false;
    f.boxed.onTimer = [&] {
        ++boxedTicks;
        if (boxedTicks > 1) return;
        boxUp = true;
        sys.messageBox("held");
        boxUp = false;
    };
    f.other.onTimer = [&] {
        ++otherTicks;
        if (boxUp) ++otherWhileBoxed;
        if (boxUp && otherWhileBoxed == 12) {
            HWND box = FindWindowW(L"#32770", L"Corvell");
            if (box != nullptr) PostMessageW(box, WM_COMMAND, IDOK, 0);
        }
    };
    CHECK(wintest::pumpUntil(sys, [&] { return boxedTicks >= 2; }, 5000));
    CHECK(otherWhileBoxed >= 12);
    CHECK_EQ(boxedTicks, 2);
    DestroyWindow(n.hwnd());
}
