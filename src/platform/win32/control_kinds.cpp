#include "platform/win32/control_kinds.h"

#include <algorithm>

#include "platform/win32/text_calls.h"
#include "platform/win32/window.h"
#include "platform/win32/wide.h"

namespace corvell::win32 {

namespace {

using ui::Control;
using ui::Prop;

// A drop-down combo's window height includes its list.
constexpr int kDropHeight = 3000;

void showPlain(HWND h, const Control& c, bool) { calls().setText(h, displayText(c.text())); }

// The echo of a user's own typing is already there; writing it back would
// move the caret.
void showTyped(HWND h, const Control& c, bool) {
    if (calls().getText(h) != c.text()) calls().setText(h, c.text());
}

// A minimised window's labels take their new text without drawing it (it
// is drawn when the window is restored): the clock line changes every
// second all evening.
void showLabel(HWND h, const Control& c, bool minimised) {
    if (minimised) calls().sendMessage(h, WM_SETREDRAW, FALSE, 0);
    showPlain(h, c, minimised);
    if (minimised) calls().sendMessage(h, WM_SETREDRAW, TRUE, 0);
}

// An owner-drawn button draws its caption itself.
void showButton(HWND h, const Control& c, bool minimised) {
    showPlain(h, c, minimised);
    InvalidateRect(h, nullptr, TRUE);
}

// ---- text box

const ui::TextBox& textBox(const Control& c) { return static_cast<const ui::TextBox&>(c); }

void textBoxApply(HWND h, const Control& c, Prop p, int) {
    if (p == Prop::Locked) calls().sendMessage(h, EM_SETREADONLY, textBox(c).locked(), 0);
}

void textBoxSync(HWND h, const Control& c) { textBoxApply(h, c, Prop::Locked, -1); }

void textBoxNotify(HWND h, Control& c, int code) {
    if (code == EN_CHANGE) static_cast<ui::TextBox&>(c).userType(calls().getText(h));
}

void textBoxMouse(Control& c, bool up, ui::MouseButton b, int shift, int x, int y) {
    if (!up) static_cast<ui::TextBox&>(c).userMouseDown(b, shift, x, y);
}

// ---- combo box

const ui::ComboBox& comboBox(const Control& c) { return static_cast<const ui::ComboBox&>(c); }

void comboSync(HWND h, const Control& c) {
    for (const std::string& item : comboBox(c).items()) calls().insertItem(h, -1, item);
}

void comboApply(HWND h, const Control& c, Prop p, int index) {
    if (p == Prop::ListAdd) calls().insertItem(h, index, comboBox(c).list(index));
    if (p == Prop::ListRemove) calls().sendMessage(h, CB_DELETESTRING, static_cast<WPARAM>(index), 0);
}

void comboNotify(HWND h, Control& c, int code) {
    auto& box = static_cast<ui::ComboBox&>(c);
    if (code == CBN_SELCHANGE) {
        const auto i = static_cast<int>(calls().sendMessage(h, CB_GETCURSEL, 0, 0));
        if (i >= 0) box.userChoose(i);
    } else if (code == CBN_EDITCHANGE) {
        box.userType(calls().getText(h));
    } else if (code == CBN_SETFOCUS) {
        box.userFocus();
    }
}

// The closed box takes the designed height, as far as its font lets it:
// the edit field is never lower than the text.
void comboFit(HWND h, const Control& c, int dpi) {
    RECT r;
    GetWindowRect(h, &r);
    const int delta = twips(c.geometry.height, dpi) - (r.bottom - r.top);
    const LRESULT item = calls().sendMessage(h, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
    if (delta != 0 && item + delta > 0) {
        calls().sendMessage(h, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), item + delta);
    }
}

// ---- check box

void checkApply(HWND h, const Control& c, Prop p, int) {
    if (p == Prop::Value) {
        calls().sendMessage(h, BM_SETCHECK, static_cast<const ui::CheckBox&>(c).value() == 1, 0);
    }
}

void checkSync(HWND h, const Control& c) { checkApply(h, c, Prop::Value, -1); }

void checkNotify(HWND, Control& c, int code) {
    if (code == BN_CLICKED) static_cast<ui::CheckBox&>(c).userClick();
}

// ---- push button

ui::CommandButton& button(Control& c) { return static_cast<ui::CommandButton&>(c); }

void buttonNotify(HWND, Control& c, int code) {
    if (code == BN_CLICKED) button(c).userClick();
}

void buttonMouse(Control& c, bool up, ui::MouseButton b, int shift, int x, int y) {
    if (up) {
        button(c).userMouseUp(b, shift, x, y);
    } else {
        button(c).userMouseDown(b, shift, x, y);
    }
}

// Enter clicks the focused push button, as Space does. The dialog manager
// would send it to the window's default button instead, which an
// owner-drawn button never is.
void buttonEnter(Control& c) { button(c).userClick(); }

// ---- styles

DWORD textBoxStyle(const Control&) { return WS_TABSTOP | ES_AUTOHSCROLL; }
DWORD comboStyle(const Control&) { return WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL; }
DWORD checkStyle(const Control&) { return WS_TABSTOP | BS_CHECKBOX; }
DWORD buttonStyle(const Control& c) {
    return WS_TABSTOP | (static_cast<const ui::CommandButton&>(c).graphical ? BS_OWNERDRAW : BS_PUSHBUTTON);
}
DWORD labelStyle(const Control& c) {
    return (c.centred ? SS_CENTER : SS_LEFT) | (c.toolTip.empty() ? 0 : SS_NOTIFY);
}

using ui::Kind;

// In the order of ui::Kind.
constexpr ControlKind kKinds[] = {
    {.kind = Kind::TextBox,
     .windowClass = "EDIT",
     .style = textBoxStyle,
     .exStyle = WS_EX_CLIENTEDGE,
     .typedText = true,
     .systemColours = true,
     .wantsMouse = true,
     .showText = showTyped,
     .sync = textBoxSync,
     .apply = textBoxApply,
     .notify = textBoxNotify,
     .mouse = textBoxMouse},
    {.kind = Kind::ComboBox,
     .windowClass = "COMBOBOX",
     .style = comboStyle,
     .extraHeight = kDropHeight,
     .typedText = true,
     .showText = showTyped,
     .sync = comboSync,
     .apply = comboApply,
     .notify = comboNotify,
     .fitToFont = comboFit},
    {.kind = Kind::CheckBox,
     .windowClass = "BUTTON",
     .style = checkStyle,
     .showText = showPlain,
     .sync = checkSync,
     .apply = checkApply,
     .notify = checkNotify},
    {.kind = Kind::CommandButton,
     .windowClass = "BUTTON",
     .style = buttonStyle,
     .wantsMouse = true,
     .showText = showButton,
     .notify = buttonNotify,
     .mouse = buttonMouse,
     .enter = buttonEnter},
    {.kind = Kind::Label, .windowClass = "STATIC", .style = labelStyle, .showText = showLabel},
    {.kind = Kind::Timer},
};
static_assert(std::size(kKinds) == static_cast<size_t>(Kind::Timer) + 1);
static_assert(std::ranges::all_of(kKinds, [](const ControlKind& k) {
    return &k == &kKinds[static_cast<size_t>(k.kind)];
}));

}  // namespace

const ControlKind& kindOf(const Control& c) { return kKinds[static_cast<size_t>(c.kind())]; }

void setColours(HDC dc, const Control& c, const ui::Form& form) {
    SetTextColor(dc, c.foreColor ? rgb(*c.foreColor) : GetSysColor(COLOR_WINDOWTEXT));
    // A window's background is one plain colour: a transparent label is
    // drawn on that colour.
    if (c.transparent) SetBkMode(dc, TRANSPARENT);
    SetBkColor(dc, form.backColor ? rgb(*form.backColor) : GetSysColor(COLOR_BTNFACE));
}

void drawButton(const DRAWITEMSTRUCT& d, const Control& c, HFONT font) {
    HDC dc = d.hDC;
    RECT r = d.rcItem;
    HBRUSH fill = CreateSolidBrush(c.backColor ? rgb(*c.backColor) : GetSysColor(COLOR_BTNFACE));
    FillRect(dc, &r, fill);
    DeleteObject(fill);
    const bool pressed = (d.itemState & ODS_SELECTED) != 0;
    DrawEdge(dc, &r, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_ADJUST);
    HGDIOBJ old = SelectObject(dc, font);
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

}  // namespace corvell::win32
