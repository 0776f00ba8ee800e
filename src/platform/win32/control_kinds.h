// What is particular to each kind of control, in one table: its native
// window class and styles, its first sync from the model, how a changed
// property is applied, and how native notifications and mouse events reach
// the model's user face. The native form does the rest alike for all.
#pragma once

#include <windows.h>

#include "ui/controls.h"

namespace corvell::win32 {

// What a kind leaves unsaid is nothing: no window style, no extra height,
// no flag, and a handler that does nothing.
inline DWORD noStyle(const ui::Control&) { return 0; }
inline void nothing(HWND, const ui::Control&, bool) {}
inline void nothing(HWND, const ui::Control&) {}
inline void nothing(HWND, const ui::Control&, ui::Prop, int) {}
inline void nothing(HWND, ui::Control&, int) {}
inline void nothing(ui::Control&, bool, ui::MouseButton, int, int, int) {}
inline void nothing(HWND, const ui::Control&, int) {}

struct ControlKind {
    ui::Kind kind;  // its place in the table
    const char* windowClass = nullptr;  // null: no window of its own (a timer)
    DWORD (*style)(const ui::Control& c) = noStyle;  // beyond WS_CHILD and the common ones
    DWORD exStyle = 0;
    int extraHeight = 0;  // twips below the designed height: a drop-down list
    // The text is the user's own (an edit field), shown as it is; other
    // texts break lines with a lone CR.
    bool typedText = false;
    bool systemColours = false;  // drawn in the system's colours, not the window's
    bool wantsMouse = false;     // its mouse presses and releases reach the model

    // A changed text; minimised: nothing of the window is seen.
    void (*showText)(HWND h, const ui::Control& c, bool minimised) = nothing;
    // After creation: what the model holds beyond the text.
    void (*sync)(HWND h, const ui::Control& c) = nothing;
    // A changed property other than the text, enabled and visible.
    void (*apply)(HWND h, const ui::Control& c, ui::Prop p, int index) = nothing;
    // WM_COMMAND from the control.
    void (*notify)(HWND h, ui::Control& c, int code) = nothing;
    // up: a release, else a press; x and y in twips.
    void (*mouse)(ui::Control& c, bool up, ui::MouseButton b, int shift, int x, int y) =
        nothing;
    // Enter on the focused control; null where the dialog manager decides.
    void (*enter)(ui::Control& c) = nullptr;
    // Once it has its font: a drop-down's closed height.
    void (*fitToFont)(HWND h, const ui::Control& c, int dpi) = nothing;
};

const ControlKind& kindOf(const ui::Control& c);

// A label's or check box's colours, on the window's background.
void setColours(HDC dc, const ui::Control& c, const ui::Form& form);

// An owner-drawn push button in the model's colours and the given font.
void drawButton(const DRAWITEMSTRUCT& d, const ui::Control& c, HFONT font);

}  // namespace corvell::win32
