#include "platform/win32/native_form.h"

#include <commctrl.h>

#include <map>

#include "platform/win32/text_calls.h"
#include "platform/win32/wide.h"

namespace corvell::win32 {

namespace {

const char kClassName[] = "CorvellForm";
const ui::Font kDefaultFont{900, false};
int g_live = 0;

// Sent by Windows 8.1 and later to a per-monitor aware window.
constexpr UINT kDpiChanged = 0x02E0;

HINSTANCE instance() { return GetModuleHandleA(nullptr); }

// Controls whose mouse events the model wants: their window procedure is
// replaced (SetWindowSubclass is comctl32 6 only), the old one kept here.
struct Subclassed {
    NativeForm* form;
    WNDPROC old;
};
std::map<HWND, Subclassed>& subclassed() {
    static std::map<HWND, Subclassed> all;
    return all;
}

int windowDpi(HWND h) {
    using Fn = UINT(WINAPI*)(HWND);
    static auto fn = systemFunction<Fn>(GetModuleHandleA("user32.dll"), "GetDpiForWindow");
    if (fn != nullptr && h != nullptr) {
        if (UINT d = fn(h)) return static_cast<int>(d);
    }
    HDC dc = GetDC(nullptr);
    int d = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    return d > 0 ? d : 96;
}

void adjustForDpi(RECT& r, DWORD style, DWORD exStyle, int dpi) {
    using Fn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
    static auto fn = systemFunction<Fn>(GetModuleHandleA("user32.dll"), "AdjustWindowRectExForDpi");
    if (fn == nullptr || fn(&r, style, FALSE, exStyle, static_cast<UINT>(dpi)) == 0) {
        AdjustWindowRectEx(&r, style, FALSE, exStyle);
    }
}

COLORREF rgb(const ui::Rgb& c) { return RGB(c.r, c.g, c.b); }

int shiftState() {
    return ((GetKeyState(VK_SHIFT) < 0) ? 1 : 0) | ((GetKeyState(VK_CONTROL) < 0) ? 2 : 0) |
           ((GetKeyState(VK_MENU) < 0) ? 4 : 0);
}

}  // namespace

int NativeForm::liveWindows() { return g_live; }

NativeForm::NativeForm(ui::Form& model) : model_(&model) {}

NativeForm::~NativeForm() {
    if (model_ != nullptr && model_->observer() == this) model_->setObserver(nullptr);
    if (hwnd_ != nullptr) DestroyWindow(hwnd_);
    for (auto& [key, f] : fonts_) DeleteObject(f);
    if (ownBackground_) DeleteObject(background_);
}

void NativeForm::formDestroyed(ui::Form&) {
    // Nothing of the model may be reached from here on, not even by the
    // messages that destroying the window sends.
    model_ = nullptr;
    controls_.clear();
    releaseGlobalKeys();
    if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

HWND NativeForm::create() {
    static bool registered = false;
    if (!registered) {
        constexpr UINT kShared = LR_SHARED | LR_DEFAULTSIZE;
        calls().registerClass(
            wndProc,
            static_cast<HICON>(LoadImageA(instance(), MAKEINTRESOURCEA(1), IMAGE_ICON, 0, 0, kShared)),
            static_cast<HCURSOR>(
                LoadImageA(nullptr, MAKEINTRESOURCEA(32512) /* OCR_NORMAL */, IMAGE_CURSOR, 0, 0, kShared)),
            kClassName);
        registered = true;
    }
    DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
    DWORD exStyle = model_->topmost ? WS_EX_TOPMOST : 0;
    if (model_->border == ui::Border::Sizable) {
        style |= WS_THICKFRAME;
    } else {
        exStyle |= WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
    }
    if (model_->minButton) style |= WS_MINIMIZEBOX;
    if (model_->maxButton) style |= WS_MAXIMIZEBOX;
    ownBackground_ = model_->backColor.has_value();
    background_ = ownBackground_ ? CreateSolidBrush(rgb(*model_->backColor))
                                 : GetSysColorBrush(COLOR_BTNFACE);

    hwnd_ = calls().createWindow(exStyle, kClassName, displayText(model_->caption()), style, nullptr,
                                 0, this);
    if (hwnd_ == nullptr) return nullptr;
    dpi_ = windowDpi(hwnd_);
    for (int big : {1, 0}) {
        int size = GetSystemMetrics(big ? SM_CXICON : SM_CXSMICON);
        HANDLE icon = LoadImageA(instance(), MAKEINTRESOURCEA(1), IMAGE_ICON, size, size, LR_SHARED);
        calls().sendMessage(hwnd_, WM_SETICON, big ? ICON_BIG : ICON_SMALL,
                            reinterpret_cast<LPARAM>(icon));
    }

    for (ui::Control* c : model_->controls()) {
        const int id = c->id();
        if (c->kind() == ui::Kind::Timer) {
            controls_.push_back({c, nullptr, id});
            continue;
        }
        const char* cls = "BUTTON";
        DWORD s = WS_CHILD;
        DWORD ex = 0;
        switch (c->kind()) {
            case ui::Kind::TextBox:
                cls = "EDIT";
                s |= WS_TABSTOP | ES_AUTOHSCROLL;
                ex = WS_EX_CLIENTEDGE;
                break;
            case ui::Kind::ComboBox:
                cls = "COMBOBOX";
                s |= WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL;
                break;
            case ui::Kind::CheckBox:
                s |= WS_TABSTOP | BS_CHECKBOX;
                break;
            case ui::Kind::CommandButton:
                s |= WS_TABSTOP |
                     (static_cast<ui::CommandButton*>(c)->graphical ? BS_OWNERDRAW : BS_PUSHBUTTON);
                break;
            case ui::Kind::Label:
                cls = "STATIC";
                // The schedule heading overlaps the date boxes by a pixel.
                s |= WS_CLIPSIBLINGS | (c->centred ? SS_CENTER : SS_LEFT);
                if (!c->toolTip.empty()) s |= SS_NOTIFY;
                break;
            case ui::Kind::Timer:
                break;
        }
        if (c->visible()) s |= WS_VISIBLE;
        if (!c->enabled()) s |= WS_DISABLED;
        const bool edit = c->kind() == ui::Kind::TextBox || c->kind() == ui::Kind::ComboBox;
        ++settingFromCode_;
        HWND h = calls().createWindow(ex, cls, edit ? c->text() : displayText(c->text()), s, hwnd_,
                                      id, nullptr);
        controls_.push_back({c, h, id});
        if (c->kind() == ui::Kind::ComboBox) {
            for (const std::string& item : static_cast<ui::ComboBox*>(c)->items()) {
                calls().insertItem(h, -1, item);
            }
        } else if (c->kind() == ui::Kind::CheckBox) {
            calls().sendMessage(h, BM_SETCHECK, static_cast<ui::CheckBox*>(c)->value() == 1, 0);
        } else if (c->kind() == ui::Kind::TextBox) {
            calls().sendMessage(h, EM_SETREADONLY, static_cast<ui::TextBox*>(c)->locked(), 0);
        }
        --settingFromCode_;
        if (h != nullptr &&
            (c->kind() == ui::Kind::TextBox || c->kind() == ui::Kind::CommandButton)) {
            const auto old = reinterpret_cast<WNDPROC>(calls().setWindowLongPtr(
                h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(controlProc)));
            subclassed()[h] = {this, old};
        }
        if (!c->toolTip.empty()) {
            if (tooltip_ == nullptr) {
                tooltip_ = calls().createWindow(WS_EX_TOPMOST, "tooltips_class32", "",
                                                WS_POPUP | TTS_ALWAYSTIP, hwnd_, 0, nullptr);
                calls().sendMessage(tooltip_, TTM_SETMAXTIPWIDTH, 0, 600);
            }
            calls().addTool(tooltip_, hwnd_, h, c->toolTip);
        }
    }
    layout();

    // Centred on the screen that holds the window.
    RECT wr;
    GetWindowRect(hwnd_, &wr);
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    // Windows 95 has one screen and no monitor functions.
    using FromWindow = HMONITOR(WINAPI*)(HWND, DWORD);
    using Info = BOOL(WINAPI*)(HMONITOR, MONITORINFO*);
    static const auto fromWindow =
        systemFunction<FromWindow>(GetModuleHandleA("user32.dll"), "MonitorFromWindow");
    static const auto info = systemFunction<Info>(GetModuleHandleA("user32.dll"), "GetMonitorInfoA");
    if (fromWindow == nullptr || info == nullptr ||
        !info(fromWindow(hwnd_, MONITOR_DEFAULTTOPRIMARY), &mi)) {
        mi.rcMonitor = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    }
    const int w = wr.right - wr.left;
    const int h = wr.bottom - wr.top;
    SetWindowPos(hwnd_, nullptr, mi.rcMonitor.left + (mi.rcMonitor.right - mi.rcMonitor.left - w) / 2,
                 mi.rcMonitor.top + (mi.rcMonitor.bottom - mi.rcMonitor.top - h) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

    model_->setObserver(this);
    for (ui::Timer* t : model_->timers()) syncTimer(*t);
    registerGlobalKeys();
    ++g_live;
    return hwnd_;
}

void NativeForm::show(int showCommand) {
    ShowWindow(hwnd_, showCommand);
    SetForegroundWindow(hwnd_);
    if (GetForegroundWindow() == hwnd_) return;
    // The system keeps the foreground for the program that had the user's
    // last input: the taskbar button says so until the user comes.
    using Fn = BOOL(WINAPI*)(PFLASHWINFO);
    static const auto flashEx = systemFunction<Fn>(GetModuleHandleA("user32.dll"), "FlashWindowEx");
    FLASHWINFO fi{sizeof fi, hwnd_, FLASHW_ALL | FLASHW_TIMERNOFG, 0, 0};
    if (flashEx == nullptr || !flashEx(&fi)) FlashWindow(hwnd_, TRUE);
}

void NativeForm::registerGlobalKeys() {
    int id = 1;  // a hot key's ID is its window's own
    for (int key : model_->globalKeys) {
        // Where another program holds the key, key preview is left.
        if (RegisterHotKey(hwnd_, id, 0, static_cast<UINT>(key))) hotKeys_.push_back({id, key});
        ++id;
    }
}

void NativeForm::releaseGlobalKeys() {
    for (const HotKey& k : hotKeys_) UnregisterHotKey(hwnd_, k.id);
    hotKeys_.clear();
}

HWND NativeForm::controlHwnd(const ui::Control& c) const {
    for (const Native& n : controls_) {
        if (n.model == &c) return n.hwnd;
    }
    return nullptr;
}

NativeForm::Native* NativeForm::byId(int id) {
    for (Native& n : controls_) {
        if (n.id == id) return &n;
    }
    return nullptr;
}

NativeForm::Native* NativeForm::byHwnd(HWND h) {
    for (Native& n : controls_) {
        if (n.hwnd == h) return &n;
    }
    return nullptr;
}

NativeForm::Native* NativeForm::byModel(const ui::Control& c) {
    for (Native& n : controls_) {
        if (n.model == &c) return &n;
    }
    return nullptr;
}

HFONT NativeForm::font(const ui::Control& c) {
    const ui::Font f = c.font.value_or(kDefaultFont);
    const int key = f.centiPoints * 2 + (f.bold ? 1 : 0);
    auto it = fonts_.find(key);
    if (it != fonts_.end()) return it->second;
    HFONT h = calls().createFont(-MulDiv(f.centiPoints, dpi_, 7200), f.bold ? FW_BOLD : FW_NORMAL,
                                 GB2312_CHARSET, "宋体");
    fonts_[key] = h;
    return h;
}

void NativeForm::layout() {
    for (const Native& n : controls_) {
        if (n.hwnd == nullptr) continue;
        const ui::Geometry& g = n.model->geometry;
        int height = twips(g.height, dpi_);
        // A drop-down combo's window height includes its list.
        if (n.model->kind() == ui::Kind::ComboBox) height += twips(3000, dpi_);
        SetWindowPos(n.hwnd, nullptr, twips(g.left, dpi_), twips(g.top, dpi_),
                     twips(g.width, dpi_), height, SWP_NOZORDER | SWP_NOACTIVATE);
        calls().sendMessage(n.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font(*n.model)), TRUE);
        if (n.model->kind() == ui::Kind::ComboBox) {
            // The closed box takes the designed height, as far as its font
            // lets it: the edit field is never lower than the text.
            RECT r;
            GetWindowRect(n.hwnd, &r);
            const int delta = twips(g.height, dpi_) - (r.bottom - r.top);
            const LRESULT item = calls().sendMessage(n.hwnd, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
            if (delta != 0 && item + delta > 0) {
                calls().sendMessage(n.hwnd, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), item + delta);
            }
        }
    }
    RECT r{0, 0, twips(model_->clientWidth, dpi_), twips(model_->clientHeight, dpi_)};
    adjustForDpi(r, static_cast<DWORD>(calls().getWindowLongPtr(hwnd_, GWL_STYLE)),
                 static_cast<DWORD>(calls().getWindowLongPtr(hwnd_, GWL_EXSTYLE)), dpi_);
    SetWindowPos(hwnd_, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void NativeForm::syncTimer(ui::Timer& t) {
    Native* n = byModel(t);
    if (n == nullptr || hwnd_ == nullptr) return;
    if (t.enabled() && !model_->unloaded()) {
        SetTimer(hwnd_, static_cast<UINT_PTR>(n->id), static_cast<UINT>(t.interval()), nullptr);
    } else {
        KillTimer(hwnd_, static_cast<UINT_PTR>(n->id));
    }
}

void NativeForm::applyText(const Native& n) {
    const ui::Kind k = n.model->kind();
    const bool edit = k == ui::Kind::TextBox || k == ui::Kind::ComboBox;
    const std::string want = edit ? n.model->text() : displayText(n.model->text());
    // The echo of a user's own typing is already on screen; writing it
    // back would move the caret.
    if (calls().getText(n.hwnd) == want) return;
    // Nothing of a minimised window is seen: its labels take their new text
    // without drawing it (it is drawn when the window is restored).
    const bool hidden = IsIconic(hwnd_) && k == ui::Kind::Label;
    if (hidden) calls().sendMessage(n.hwnd, WM_SETREDRAW, FALSE, 0);
    calls().setText(n.hwnd, want);
    if (hidden) calls().sendMessage(n.hwnd, WM_SETREDRAW, TRUE, 0);
    if (k == ui::Kind::CommandButton) {
        InvalidateRect(n.hwnd, nullptr, TRUE);
    }
}

void NativeForm::controlChanged(ui::Control& c, ui::Prop p, int index) {
    Native* n = byModel(c);
    if (n == nullptr || hwnd_ == nullptr) return;
    if (c.kind() == ui::Kind::Timer) {
        syncTimer(static_cast<ui::Timer&>(c));
        return;
    }
    ++settingFromCode_;
    switch (p) {
        case ui::Prop::Text:
            applyText(*n);
            break;
        case ui::Prop::Enabled:
            EnableWindow(n->hwnd, c.enabled());
            break;
        case ui::Prop::Visible:
            ShowWindow(n->hwnd, c.visible() ? SW_SHOWNA : SW_HIDE);
            break;
        case ui::Prop::Locked:
            calls().sendMessage(n->hwnd, EM_SETREADONLY, static_cast<ui::TextBox&>(c).locked(), 0);
            break;
        case ui::Prop::Value:
            calls().sendMessage(n->hwnd, BM_SETCHECK, static_cast<ui::CheckBox&>(c).value() == 1, 0);
            break;
        case ui::Prop::ListAdd:
            calls().insertItem(n->hwnd, index, static_cast<ui::ComboBox&>(c).list(index));
            break;
        case ui::Prop::ListRemove:
            calls().sendMessage(n->hwnd, CB_DELETESTRING, static_cast<WPARAM>(index), 0);
            break;
        case ui::Prop::Interval:
            break;
    }
    --settingFromCode_;
}

void NativeForm::formCaptionChanged(ui::Form& f) {
    if (hwnd_ != nullptr) calls().setText(hwnd_, displayText(f.caption()));
}

void NativeForm::command(int id, int code) {
    Native* n = byId(id);
    if (n == nullptr || settingFromCode_ > 0) return;
    switch (n->model->kind()) {
        case ui::Kind::TextBox:
            if (code == EN_CHANGE) {
                static_cast<ui::TextBox*>(n->model)->userType(calls().getText(n->hwnd));
            }
            break;
        case ui::Kind::ComboBox: {
            auto* cb = static_cast<ui::ComboBox*>(n->model);
            if (code == CBN_SELCHANGE) {
                const auto i = static_cast<int>(calls().sendMessage(n->hwnd, CB_GETCURSEL, 0, 0));
                if (i >= 0) cb->userChoose(i);
            } else if (code == CBN_EDITCHANGE) {
                cb->userType(calls().getText(n->hwnd));
            } else if (code == CBN_SETFOCUS) {
                cb->userFocus();
            }
            break;
        }
        case ui::Kind::CheckBox:
            if (code == BN_CLICKED) static_cast<ui::CheckBox*>(n->model)->userClick();
            break;
        case ui::Kind::CommandButton:
            if (code == BN_CLICKED) static_cast<ui::CommandButton*>(n->model)->userClick();
            break;
        default:
            break;
    }
}

LRESULT NativeForm::colorStatic(HDC dc, HWND ctl) {
    for (const Native& n : controls_) {
        if (n.hwnd != ctl) continue;
        const ui::Control& c = *n.model;
        if (c.kind() == ui::Kind::TextBox) break;  // a read-only edit keeps its own look
        if (c.foreColor) {
            SetTextColor(dc, rgb(*c.foreColor));
        } else {
            SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        }
        // A window's background is one plain colour, so a transparent label
        // is drawn on that colour: it looks the same, and a new caption
        // repaints the label alone rather than the window behind it (the
        // clock line changes every second).
        if (c.transparent) SetBkMode(dc, TRANSPARENT);
        SetBkColor(dc, model_->backColor ? rgb(*model_->backColor) : GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(background_);
    }
    return calls().defWindowProc(hwnd_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                          reinterpret_cast<LPARAM>(ctl));
}

void NativeForm::drawButton(const DRAWITEMSTRUCT& d) {
    Native* n = byId(static_cast<int>(d.CtlID));
    if (n == nullptr) return;
    const ui::Control& c = *n->model;
    HDC dc = d.hDC;
    RECT r = d.rcItem;
    HBRUSH fill = CreateSolidBrush(c.backColor ? rgb(*c.backColor) : GetSysColor(COLOR_BTNFACE));
    FillRect(dc, &r, fill);
    DeleteObject(fill);
    const bool pressed = (d.itemState & ODS_SELECTED) != 0;
    DrawEdge(dc, &r, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_ADJUST);
    HGDIOBJ old = SelectObject(dc, font(c));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor((d.itemState & ODS_DISABLED) ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
    const std::string text = displayText(c.text());
    RECT calc = r;
    calls().drawText(dc, text, &calc, DT_CENTER | DT_WORDBREAK | DT_CALCRECT);
    RECT t = r;
    t.top += ((r.bottom - r.top) - (calc.bottom - calc.top)) / 2;
    if (pressed) OffsetRect(&t, 1, 1);
    calls().drawText(dc, text, &t, DT_CENTER | DT_WORDBREAK);
    SelectObject(dc, old);
    if ((d.itemState & ODS_FOCUS) != 0) {
        InflateRect(&r, -2, -2);
        DrawFocusRect(dc, &r);
    }
}

void NativeForm::rememberFocus() {
    HWND f = GetFocus();
    if (f != nullptr && IsChild(hwnd_, f)) focus_ = f;
}

bool NativeForm::preTranslate(MSG& msg) {
    if (hwnd_ == nullptr || model_ == nullptr) return false;
    if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return false;
    if (msg.hwnd != hwnd_ && !IsChild(hwnd_, msg.hwnd)) return false;
    if (model_->keyPreview && model_->onKeyDown) {
        model_->onKeyDown(static_cast<int>(msg.wParam), shiftState());
    }
    // Enter clicks the focused push button, as Space does. The dialog
    // manager would send it to the window's default button instead, which
    // an owner-drawn button never is. A held key clicks once.
    const bool repeat = (msg.lParam & (1 << 30)) != 0;
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN && !repeat) {
        Native* n = byHwnd(msg.hwnd);
        if (n != nullptr && n->model->kind() == ui::Kind::CommandButton) {
            static_cast<ui::CommandButton*>(n->model)->userClick();
            return true;
        }
    }
    return false;
}

LRESULT CALLBACK NativeForm::controlProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    auto it = subclassed().find(h);
    if (it == subclassed().end()) return calls().defWindowProc(h, msg, wp, lp);
    const Subclassed sc = it->second;
    if (msg == WM_NCDESTROY) subclassed().erase(it);
    NativeForm* form = sc.form;
    LRESULT result = calls().callWindowProc(sc.old, h, msg, wp, lp);
    ui::MouseButton button = ui::MouseButton::Left;
    bool down = false;
    bool up = false;
    switch (msg) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            down = true;
            break;
        case WM_RBUTTONDOWN:
        case WM_RBUTTONDBLCLK:
            down = true;
            button = ui::MouseButton::Right;
            break;
        case WM_MBUTTONDOWN:
        case WM_MBUTTONDBLCLK:
            down = true;
            button = ui::MouseButton::Middle;
            break;
        case WM_LBUTTONUP:
            up = true;
            break;
        case WM_RBUTTONUP:
            up = true;
            button = ui::MouseButton::Right;
            break;
        case WM_MBUTTONUP:
            up = true;
            button = ui::MouseButton::Middle;
            break;
        default:
            return result;
    }
    Native* n = form->byHwnd(h);
    if (n == nullptr) return result;
    const int x = MulDiv(static_cast<short>(LOWORD(lp)), 1440, form->dpi_);
    const int y = MulDiv(static_cast<short>(HIWORD(lp)), 1440, form->dpi_);
    int shift = shiftState();
    if (n->model->kind() == ui::Kind::TextBox && down) {
        static_cast<ui::TextBox*>(n->model)->userMouseDown(button, shift, x, y);
    } else if (n->model->kind() == ui::Kind::CommandButton) {
        auto* b = static_cast<ui::CommandButton*>(n->model);
        if (down) b->userMouseDown(button, shift, x, y);
        if (up) b->userMouseUp(button, shift, x, y);
    }
    return result;
}

LRESULT CALLBACK NativeForm::wndProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    NativeForm* self = nullptr;
    if (msg == WM_NCCREATE) {
        // The creation parameter is where it is in the ANSI and wide forms.
        self = static_cast<NativeForm*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
        self->hwnd_ = h;
        calls().setWindowLongPtr(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<NativeForm*>(calls().getWindowLongPtr(h, GWLP_USERDATA));
    }
    if (self == nullptr) return calls().defWindowProc(h, msg, wp, lp);
    return self->handle(msg, wp, lp);
}

LRESULT NativeForm::handle(UINT msg, WPARAM wp, LPARAM lp) {
    HWND self = hwnd_;
    if (model_ == nullptr) {
        // The model went first: the window is on its way out.
        if (msg == WM_DESTROY && --g_live == 0) PostQuitMessage(0);
        if (msg == WM_NCDESTROY) hwnd_ = nullptr;
        return calls().defWindowProc(self, msg, wp, lp);
    }
    switch (msg) {
        case WM_COMMAND:
            if (lp != 0) command(LOWORD(wp), HIWORD(wp));
            return 0;
        case WM_TIMER:
            // Another window made topmost later (a full-screen player) would
            // cover it.
            if (model_->topmost) {
                SetWindowPos(hwnd_, HWND_TOPMOST, 0, 0, 0, 0,
                             SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            }
            if (Native* n = byId(static_cast<int>(wp)); n && n->model->kind() == ui::Kind::Timer) {
                static_cast<ui::Timer*>(n->model)->tick();
            }
            return 0;
        case WM_CTLCOLORSTATIC:
            return colorStatic(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp));
        case WM_DRAWITEM:
            drawButton(*reinterpret_cast<DRAWITEMSTRUCT*>(lp));
            return TRUE;
        case WM_ERASEBKGND: {
            RECT r;
            GetClientRect(hwnd_, &r);
            FillRect(reinterpret_cast<HDC>(wp), &r, background_);
            return 1;
        }
        case WM_ACTIVATE:
            if (LOWORD(wp) == WA_INACTIVE) {
                rememberFocus();
            } else {
                HWND f = focus_ != nullptr && IsWindowEnabled(focus_) && IsWindowVisible(focus_)
                             ? focus_
                             : GetNextDlgTabItem(hwnd_, nullptr, FALSE);
                if (f != nullptr) SetFocus(f);
            }
            return 0;
        case WM_HOTKEY:
            for (const HotKey& k : hotKeys_) {
                if (k.id == static_cast<int>(wp) && model_->onKeyDown) {
                    model_->onKeyDown(k.key, shiftState());
                    break;
                }
            }
            return 0;
        case WM_HELP:
            openHelpFor(hwnd_);
            return TRUE;
        case kDpiChanged: {
            dpi_ = HIWORD(wp);
            // The controls draw with the old fonts until they have new ones.
            std::map<int, HFONT> old;
            old.swap(fonts_);
            layout();
            for (auto& [key, f] : old) DeleteObject(f);
            const RECT* r = reinterpret_cast<RECT*>(lp);
            SetWindowPos(hwnd_, nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
            return 0;
        }
        case WM_CLOSE:
            model_->unload();
            DestroyWindow(hwnd_);
            return 0;
        case WM_DESTROY:
            releaseGlobalKeys();
            model_->unload();
            model_->setObserver(nullptr);
            if (--g_live == 0) PostQuitMessage(0);
            return 0;
        case WM_NCDESTROY:
            hwnd_ = nullptr;
            break;
        default:
            break;
    }
    return calls().defWindowProc(self, msg, wp, lp);
}

}  // namespace corvell::win32
