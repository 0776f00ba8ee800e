#include "platform/win32/native_form.h"

#include <commctrl.h>

#include <algorithm>

#include "platform/win32/control_kinds.h"
#include "platform/win32/text_calls.h"
#include "platform/win32/wide.h"
#include "platform/win32/window.h"

namespace corvell::win32 {

namespace {

int g_live = 0;

constexpr char kFormClass[] = "CorvellForm";

// Sent by Windows 8.1 and later to a per-monitor aware window.
constexpr UINT kDpiChanged = 0x02E0;

}  // namespace

int NativeForm::liveWindows() { return g_live; }

NativeForm::NativeForm(ui::Form& model) : model_(&model) {}

NativeForm::~NativeForm() {
    if (model_ != nullptr && model_->observer() == this) model_->setObserver(nullptr);
    if (hwnd_ != nullptr) DestroyWindow(hwnd_);
    if (ownBackground_) DeleteObject(background_);
}

void NativeForm::formDestroyed(ui::Form&) {
    // Nothing of the model may be reached from here on, not even by the
    // messages that destroying the window sends.
    model_ = nullptr;
    controls_.clear();
    timers_.clear();
    hotKeys_.release();
    if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

const char* NativeForm::windowClass() {
    static bool registered = false;
    if (!registered) {
        HCURSOR arrow = static_cast<HCURSOR>(LoadImageA(nullptr, MAKEINTRESOURCEA(32512) /* OCR_NORMAL */,
                                                        IMAGE_CURSOR, 0, 0, LR_SHARED | LR_DEFAULTSIZE));
        calls().registerClass(wndProc, programIcon(0), arrow, kFormClass);
        registered = true;
    }
    return kFormClass;
}

HWND NativeForm::create() {
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

    hwnd_ = calls().createWindow(exStyle, windowClass(), displayText(model_->caption()), style,
                                 nullptr, 0, nullptr, this);
    if (hwnd_ == nullptr) return nullptr;
    dpi_ = windowDpi(hwnd_);
    setIcons(hwnd_);
    for (ui::Control* c : model_->controls()) createControl(*c);
    timers_ = model_->timers();
    fitWindow();
    centreOnMonitor(hwnd_);

    model_->setObserver(this);
    for (ui::Timer* t : timers_) syncTimer(*t);
    hotKeys_.hold(hwnd_, model_->globalKeys);
    ++g_live;
    return hwnd_;
}

// Made at its place and size with its font, before anything is drawn.
void NativeForm::createControl(ui::Control& c) {
    const ControlKind& kind = kindOf(c);
    if (kind.windowClass == nullptr) return;
    DWORD style = WS_CHILD | kind.style(c);
    if (c.clipSiblings) style |= WS_CLIPSIBLINGS;
    if (c.visible()) style |= WS_VISIBLE;
    if (!c.enabled()) style |= WS_DISABLED;
    const RECT r = place(c);
    ++settingFromCode_;
    HWND h = calls().createWindow(kind.exStyle, kind.windowClass,
                                  kind.typedText ? c.text() : displayText(c.text()), style, hwnd_,
                                  c.id(), &r, nullptr);
    controls_.push_back({&c, h, &kind});
    calls().sendMessage(h, WM_SETFONT, reinterpret_cast<WPARAM>(font(c)), FALSE);
    kind.sync(h, c);
    kind.fitToFont(h, c, dpi_);
    --settingFromCode_;
    if (h == nullptr) return;
    if (kind.wantsMouse) {
        watchMouse(
            h,
            [](void* self, HWND control, bool up, ui::MouseButton b, int x, int y) {
                static_cast<NativeForm*>(self)->mouse(control, up, b, x, y);
            },
            this);
    }
    if (!c.toolTip.empty()) addToolTip(h, c.toolTip);
}

void NativeForm::addToolTip(HWND control, const std::string& tip) {
    if (tooltip_ == nullptr) {
        tooltip_ = calls().createWindow(WS_EX_TOPMOST, "tooltips_class32", "",
                                        WS_POPUP | TTS_ALWAYSTIP, hwnd_, 0, nullptr, nullptr);
        calls().sendMessage(tooltip_, TTM_SETMAXTIPWIDTH, 0, 600);
    }
    calls().addTool(tooltip_, hwnd_, control, tip);
}

RECT NativeForm::place(const ui::Control& c) const {
    const ui::Geometry& g = c.geometry;
    const int left = twips(g.left, dpi_);
    const int top = twips(g.top, dpi_);
    return {left, top, left + twips(g.width, dpi_),
            top + twips(g.height, dpi_) + twips(kindOf(c).extraHeight, dpi_)};
}

void NativeForm::fitWindow() {
    const SIZE s = outerSize(hwnd_, twips(model_->clientWidth, dpi_),
                             twips(model_->clientHeight, dpi_), dpi_);
    SetWindowPos(hwnd_, nullptr, 0, 0, s.cx, s.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void NativeForm::changeDpi(int dpi, const RECT& suggested) {
    dpi_ = dpi;
    for (const Native& n : controls_) {
        const RECT r = place(*n.model);
        SetWindowPos(n.hwnd, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        calls().sendMessage(n.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font(*n.model)), TRUE);
        n.kind->fitToFont(n.hwnd, *n.model, dpi_);
    }
    fitWindow();
    // The controls drew with the old fonts until they had new ones.
    fonts_.keepOnly(dpi_);
    SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

HFONT NativeForm::font(const ui::Control& c) {
    return fonts_.get(c.font.value_or(model_->defaultFont), model_->fontFace, model_->fontCharSet,
                      dpi_);
}

void NativeForm::show(int showCommand) {
    ShowWindow(hwnd_, showCommand);
    bringToFront(hwnd_, model_->flashUntilSeen);
}

void NativeForm::hotKey(WPARAM id) {
    if (const int key = hotKeys_.key(id); key != 0 && model_->onKeyDown) {
        model_->onKeyDown(key, shiftState());
    }
}

HWND NativeForm::controlHwnd(const ui::Control& c) const {
    const Native* n = find(&c, nullptr);
    return n != nullptr ? n->hwnd : nullptr;
}

const NativeForm::Native* NativeForm::find(const ui::Control* c, HWND h) const {
    const auto it = std::ranges::find_if(
        controls_, [&](const Native& n) { return n.model == c || (h != nullptr && n.hwnd == h); });
    return it != controls_.end() ? &*it : nullptr;
}

void NativeForm::syncTimer(const ui::Timer& t) {
    if (hwnd_ == nullptr) return;
    const auto id = static_cast<UINT_PTR>(t.id());
    if (t.enabled() && !model_->unloaded()) {
        SetTimer(hwnd_, id, static_cast<UINT>(t.interval()), nullptr);
    } else {
        KillTimer(hwnd_, id);
    }
}

void NativeForm::tick(int id) {
    // Another window made topmost later (a full-screen player) would cover it.
    if (model_->topmost) {
        SetWindowPos(hwnd_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    const auto it = std::ranges::find(timers_, id, &ui::Timer::id);
    if (it != timers_.end()) (*it)->tick();
}

void NativeForm::controlChanged(ui::Control& c, ui::Prop p, int index) {
    if (hwnd_ == nullptr) return;
    if (const auto t = std::ranges::find(timers_, &c); t != timers_.end()) {
        syncTimer(**t);
        return;
    }
    const Native* n = find(&c, nullptr);
    if (n == nullptr) return;
    ++settingFromCode_;
    if (p == ui::Prop::Text) {
        n->kind->showText(n->hwnd, c, IsIconic(hwnd_) != 0);
    } else if (p == ui::Prop::Enabled) {
        EnableWindow(n->hwnd, c.enabled());
    } else if (p == ui::Prop::Visible) {
        ShowWindow(n->hwnd, c.visible() ? SW_SHOWNA : SW_HIDE);
    } else {
        n->kind->apply(n->hwnd, c, p, index);
    }
    --settingFromCode_;
}

void NativeForm::formCaptionChanged(ui::Form& f) {
    if (hwnd_ != nullptr) calls().setText(hwnd_, displayText(f.caption()));
}

void NativeForm::command(HWND control, int code) {
    const Native* n = find(nullptr, control);
    if (n != nullptr && settingFromCode_ == 0) n->kind->notify(n->hwnd, *n->model, code);
}

LRESULT NativeForm::colorStatic(HDC dc, HWND ctl) {
    const Native* n = find(nullptr, ctl);
    if (n == nullptr || n->kind->systemColours) {
        return calls().defWindowProc(hwnd_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                     reinterpret_cast<LPARAM>(ctl));
    }
    setColours(dc, *n->model, *model_);
    return reinterpret_cast<LRESULT>(background_);
}

void NativeForm::activate(bool active) {
    if (!active) {
        HWND f = GetFocus();
        if (f != nullptr && IsChild(hwnd_, f)) focus_ = f;
        return;
    }
    HWND f = focus_ != nullptr && IsWindowEnabled(focus_) && IsWindowVisible(focus_)
                 ? focus_
                 : GetNextDlgTabItem(hwnd_, nullptr, FALSE);
    if (f != nullptr) SetFocus(f);
}

bool NativeForm::preTranslate(MSG& msg) {
    if (hwnd_ == nullptr || model_ == nullptr) return false;
    if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return false;
    if (msg.hwnd != hwnd_ && !IsChild(hwnd_, msg.hwnd)) return false;
    if (model_->keyPreview && model_->onKeyDown) {
        model_->onKeyDown(static_cast<int>(msg.wParam), shiftState());
    }
    // A held key clicks once.
    const bool repeat = (msg.lParam & (1 << 30)) != 0;
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN && !repeat) {
        const Native* n = find(nullptr, msg.hwnd);
        if (n != nullptr && n->kind->enter != nullptr) {
            n->kind->enter(*n->model);
            return true;
        }
    }
    return false;
}

void NativeForm::mouse(HWND h, bool up, ui::MouseButton button, int x, int y) {
    if (const Native* n = find(nullptr, h)) {
        n->kind->mouse(*n->model, up, button, shiftState(), MulDiv(x, 1440, dpi_),
                       MulDiv(y, 1440, dpi_));
    }
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

// The model may have gone first and let go of the window already. The
// last of the program's windows ends the message loop.
void NativeForm::destroyed() {
    if (model_ != nullptr) {
        hotKeys_.release();
        model_->unload();
        model_->setObserver(nullptr);
    }
    if (--g_live == 0) PostQuitMessage(0);
}

LRESULT NativeForm::handle(UINT msg, WPARAM wp, LPARAM lp) {
    HWND self = hwnd_;
    if (model_ == nullptr) {
        // The model went first: the window is on its way out.
        if (msg == WM_DESTROY) destroyed();
        if (msg == WM_NCDESTROY) hwnd_ = nullptr;
        return calls().defWindowProc(self, msg, wp, lp);
    }
    switch (msg) {
        case WM_COMMAND:
            if (lp != 0) command(reinterpret_cast<HWND>(lp), HIWORD(wp));
            return 0;
        case WM_TIMER:
            tick(static_cast<int>(wp));
            return 0;
        case WM_CTLCOLORSTATIC:
            return colorStatic(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp));
        case WM_DRAWITEM: {
            const auto& d = *reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
            if (const Native* n = find(nullptr, d.hwndItem)) drawButton(d, *n->model, font(*n->model));
            return TRUE;
        }
        case WM_ERASEBKGND: {
            RECT r;
            GetClientRect(hwnd_, &r);
            FillRect(reinterpret_cast<HDC>(wp), &r, background_);
            return 1;
        }
        case WM_ACTIVATE:
            activate(LOWORD(wp) != WA_INACTIVE);
            return 0;
        case WM_HOTKEY:
            hotKey(wp);
            return 0;
        case WM_HELP:
            if (model_->onHelp) model_->onHelp();
            return TRUE;
        case WM_ENDSESSION:
            if (model_->onEndSession) model_->onEndSession(wp != FALSE);
            return 0;
        case kDpiChanged:
            changeDpi(HIWORD(wp), *reinterpret_cast<const RECT*>(lp));
            return 0;
        case WM_CLOSE:
            model_->unload();
            DestroyWindow(hwnd_);
            return 0;
        case WM_DESTROY:
            destroyed();
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
