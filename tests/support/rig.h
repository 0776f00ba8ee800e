// A main window loaded in simulated time with a recording world.
#pragma once

#include <gtest/gtest.h>

#include "support/sim.h"
#include "ui/form0.h"
#include "ui/form1.h"

namespace corvell::test {

inline constexpr LocalTime kEvening{2004, 3, 16, 21, 5, 7, 0};
inline constexpr const char* kViewerPath = "C:\\TV Capture Card\\HDTVPCI.EXE";

// The messages of a launch, character for character.
inline constexpr const char* kEmptyTitle = "程序标题不能为空！";
inline constexpr const char* kStartError = "调用程序错误，请重新输入！";
inline constexpr const char* kWrongInput =
    "调用的程序或程序标题输入错误！\r请关闭刚才调用的程序,然后重新正确输入。";

// What a countdown label shows from its first value to its last.
inline const std::vector<std::string> kTenToZero{"10", "9", "8", "7", "6", "5",
                                                 "4",  "3", "2", "1", "0"};

struct Rig {
    // How far the rig is set up when the test begins: not at all, the window
    // loaded, or the default viewer installed and then the window loaded.
    enum Begin { Unloaded, Loaded, LoadedWithViewer };
    explicit Rig(Begin begin = Unloaded, LocalTime start = kEvening) : sys(start) {
        if (begin == LoadedWithViewer) installViewer();
        if (begin != Unloaded) load();
    }

    // Creates the window and runs its load handler, as the program does.
    void load() {
        sys.scheduler.attach(form);
        form.Form_Load();
    }
    void advance(int64_t ms) { sys.scheduler.advance(ms); }
    bool runUntil(const std::function<bool()>& pred, int64_t maxMs) {
        return sys.scheduler.runUntil(pred, maxMs);
    }
    void installViewer(const std::string& path = kViewerPath,
                       const std::string& title = "TV Capture Card", int64_t delayMs = 300) {
        sys.programs[path] = {title, delayMs};
    }
    // What the label shows now and after each of `steps` steps of stepMs.
    std::vector<std::string> shownEvery(const ui::Label& label, int64_t stepMs, int steps) {
        std::vector<std::string> shown{label.text()};
        for (int i = 0; i < steps; ++i) {
            advance(stepMs);
            shown.push_back(label.text());
        }
        return shown;
    }
    ui::Form1* form1() const { return form.countdownWindow(); }
    // Loads and runs the default viewer at once; its window, so titled (no
    // title: none), opens delayMs after the start.
    void runNow(const std::string& title = "TV Capture Card", int64_t delayMs = 300) {
        installViewer(kViewerPath, title, delayMs);
        load();
        form.Command1.userClick();
    }
    // Runs now and lets the first check find the viewer: watching its
    // window, which is returned.
    WindowHandle watch() {
        runNow();
        advance(1000);
        EXPECT_TRUE(form.watching);
        return sys.windows.empty() ? 0 : sys.windows.front().handle;
    }
    // Watches, then the viewer closes: the countdown window has just opened.
    ui::Form1* countdownAfterViewing() {
        watch();
        sys.windows.clear();
        advance(1000);
        return form1();
    }

    FakeServices sys;
    App app{sys};
    ui::Form0 form{app};
};

}  // namespace corvell::test
