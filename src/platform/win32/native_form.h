// A model form realised as a native top-level window. Property changes of
// the model are mirrored onto the native controls; native notifications
// are fed into the controls' user face, and the echoes of the program's
// own updates are dropped. What differs between kinds of control is in
// control_kinds.h.
#pragma once

#include <windows.h>

#include <vector>

#include "platform/win32/window.h"
#include "ui/controls.h"

namespace corvell::win32 {

struct ControlKind;

class NativeForm : public ui::Observer {
public:
    explicit NativeForm(ui::Form& model);
    ~NativeForm() override;
    NativeForm(const NativeForm&) = delete;
    NativeForm& operator=(const NativeForm&) = delete;

    // Creates the window and its controls, hidden, centred on the screen.
    HWND create();
    void show(int showCommand);
    HWND hwnd() const { return hwnd_; }
    // Null once the model is gone; the window went with it.
    ui::Form* model() const { return model_; }
    int dpi() const { return dpi_; }
    HWND controlHwnd(const ui::Control& c) const;

    // Key preview, and Enter on a push button, before the dialog manager;
    // true when the message was consumed.
    bool preTranslate(MSG& msg);

    // ui::Observer
    void controlChanged(ui::Control& c, ui::Prop p, int index) override;
    void formCaptionChanged(ui::Form& f) override;
    void formDestroyed(ui::Form& f) override;

    static int liveWindows();

private:
    struct Native {
        ui::Control* model;
        HWND hwnd;
        const ControlKind* kind;
    };
    // The class of the program's top-level windows, registered on first use.
    static const char* windowClass();
    static LRESULT CALLBACK wndProc(HWND h, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT handle(UINT msg, WPARAM wp, LPARAM lp);
    void createControl(ui::Control& c);
    void addToolTip(HWND control, const std::string& tip);
    RECT place(const ui::Control& c) const;
    void fitWindow();
    void changeDpi(int dpi, const RECT& suggested);
    HFONT font(const ui::Control& c);
    // The control of a model, or of a window.
    const Native* find(const ui::Control* c, HWND h) const;
    void syncTimer(const ui::Timer& t);
    void tick(int id);
    void command(HWND control, int code);
    LRESULT colorStatic(HDC dc, HWND ctl);
    void activate(bool active);
    void mouse(HWND h, bool up, ui::MouseButton button, int x, int y);
    void hotKey(WPARAM id);
    void destroyed();

    ui::Form* model_;
    HWND hwnd_ = nullptr;
    HWND tooltip_ = nullptr;
    HWND focus_ = nullptr;
    int dpi_ = 96;
    int settingFromCode_ = 0;
    std::vector<Native> controls_;
    std::vector<ui::Timer*> timers_;
    Fonts fonts_;
    HBRUSH background_ = nullptr;
    bool ownBackground_ = false;  // a brush of its own colour, not a system one
    HotKeys hotKeys_;
};

}  // namespace corvell::win32
