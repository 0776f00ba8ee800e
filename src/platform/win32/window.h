// Small jobs on windows that any of the program's windows may need.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "ui/controls.h"

namespace corvell::win32 {

HINSTANCE instance();

// The program's icon at a size in pixels; 0: the system's size for icons.
HICON programIcon(int size);
// The program's icon, large and small, on a window's caption and taskbar.
void setIcons(HWND h);

// The window's DPI: its monitor's where the system says (Windows 10), else
// the system's.
int windowDpi(HWND h);
// Twips to pixels at a given DPI.
inline int twips(int t, int dpi) { return MulDiv(t, dpi, 1440); }
// The outer size of a window whose client area is width x height pixels.
SIZE outerSize(HWND h, int width, int height, int dpi);
// Centred on the screen that holds it.
void centreOnMonitor(HWND h);

// Brings a window to the front; where the system keeps the foreground for
// the program that had the user's last input, the taskbar button flashes
// until the user comes.
void bringToFront(HWND h, bool flashWhenRefused);

// Calls back on every press and release of a mouse button in a control,
// after the control has handled it; x and y in pixels. The control's window
// procedure is replaced (SetWindowSubclass is comctl32 6's only).
using MouseCallback = void (*)(void* context, HWND control, bool up, ui::MouseButton b, int x, int y);
void watchMouse(HWND control, MouseCallback callback, void* context);

// A window's fonts, one per size, weight and DPI, made on first use.
class Fonts {
public:
    Fonts() = default;
    Fonts(const Fonts&) = delete;
    Fonts& operator=(const Fonts&) = delete;
    ~Fonts() { keepOnly(0); }
    HFONT get(const ui::Font& f, const std::string& face, int charSet, int dpi);
    // Deletes those made for another DPI, once no control uses them.
    void keepOnly(int dpi);

private:
    struct Made {
        int dpi;
        int centiPoints;
        bool bold;
        HFONT font;
    };
    std::vector<Made> made_;
};

// Keys held for a window whichever program has the focus (RegisterHotKey).
class HotKeys {
public:
    // Where another program holds a key, it is left out.
    void hold(HWND w, const std::vector<int>& keys);
    void release();
    // The key of a WM_HOTKEY's ID; 0 for none.
    int key(WPARAM id) const;

private:
    HWND window_ = nullptr;
    std::vector<std::pair<int, int>> held_;  // ID, key
};

COLORREF rgb(const ui::Rgb& c);
// Shift, Ctrl and Alt as the model's shift state (1, 2, 4).
int shiftState();

}  // namespace corvell::win32
