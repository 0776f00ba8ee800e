// A main window loaded in simulated time with a recording world.
#pragma once

#include "support/sim.h"
#include "ui/form0.h"
#include "ui/form1.h"

namespace corvell::test {

inline constexpr LocalTime kEvening{2004, 3, 16, 21, 5, 7, 0};

struct Rig {
    explicit Rig(LocalTime start = kEvening) : sys(start) {}

    // Creates the window and runs its load handler, as the program does.
    void load() {
        sys.scheduler.attach(form);
        form.Form_Load();
    }
    void advance(int64_t ms) { sys.scheduler.advance(ms); }
    bool runUntil(const std::function<bool()>& pred, int64_t maxMs) {
        return sys.scheduler.runUntil(pred, maxMs);
    }
    void installViewer(const std::string& path = "C:\\TV Capture Card\\HDTVPCI.EXE",
                       const std::string& title = "TV Capture Card", int64_t delayMs = 300) {
        sys.programs[path] = {title, delayMs};
    }
    ui::Form1* form1() const { return form.countdownWindow(); }
    // Loads, runs the default viewer at once, lets it be found and closes
    // it: the countdown window has just opened.
    ui::Form1* countdownAfterViewing() {
        installViewer();
        load();
        form.Command1.userClick();
        advance(1000);
        sys.windows.clear();
        advance(1000);
        return form1();
    }

    FakeServices sys;
    App app{sys};
    ui::Form0 form{app};
};

}  // namespace corvell::test
