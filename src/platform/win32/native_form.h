// A model form realised as a native top-level window. Property changes of
// the model are mirrored onto the native controls; native notifications
// are fed into the controls' user face, and the echoes of the program's
// own updates are dropped.
#pragma once

#include <windows.h>

#include <map>
#include <vector>

#include "ui/controls.h"

namespace corvell::win32 {

// Opens the application-wide help file for a window (F1).
void openHelpFor(HWND owner);

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
        int id;
    };
    static LRESULT CALLBACK wndProc(HWND h, UINT msg, WPARAM wp, LPARAM lp);
    static LRESULT CALLBACK controlProc(HWND h, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT handle(UINT msg, WPARAM wp, LPARAM lp);
    void command(int id, int code);
    LRESULT colorStatic(HDC dc, HWND ctl);
    void drawButton(const DRAWITEMSTRUCT& d);
    void layout();
    HFONT font(const ui::Control& c);
    void applyText(const Native& n);
    void syncTimer(ui::Timer& t);
    Native* byId(int id);
    Native* byModel(const ui::Control& c);
    Native* byHwnd(HWND h);
    void rememberFocus();
    void registerGlobalKeys();
    void releaseGlobalKeys();

    ui::Form* model_;
    HWND hwnd_ = nullptr;
    HWND tooltip_ = nullptr;
    HWND focus_ = nullptr;
    int dpi_ = 96;
    int settingFromCode_ = 0;
    std::vector<Native> controls_;
    std::map<int, HFONT> fonts_;  // by centi-points * 2 + bold
    HBRUSH background_ = nullptr;
    bool ownBackground_ = false;  // a brush of its own colour, not a system one
    struct HotKey {
        int id;
        int key;
    };
    std::vector<HotKey> hotKeys_;  // the global keys this window holds
};

}  // namespace corvell::win32
