// Once the preset moment has come, asks the viewer to close, and again now
// and then while its window stays; a viewer that never obeys still ends
// the viewing, so the evening ends with the countdown rather than in
// silence.
#include "ui/form0.h"

namespace corvell::ui {

namespace {
// Watch ticks, one a second. A viewer that asks "really quit?" gets a new
// question box this often, not every second.
constexpr int16_t kAskAgainTicks = 10;
// After this long a viewer that is still there (it hides in the
// notification area, or the system drops the post) is left to the
// shutdown, which asks it through the system.
constexpr int16_t kGiveUpTicks = 60;

// At or after the preset, field by field from the year down.
bool momentHasCome(const Form0& f, const LocalTime& n) {
    const int p[] = {f.presetYear, f.presetMonth, f.presetDay,
                     f.presetHour, f.presetMinute, f.presetSecond};
    const int now[] = {n.year, n.month, n.day, n.hour, n.minute, n.second};
    for (int i = 0; i < 5; ++i) {
        if (p[i] != now[i]) return p[i] < now[i];
    }
    return p[5] <= now[5];
}
}  // namespace

void Form0::Command5_Click() {
    // A clock set back before the preset starts the requests afresh later.
    if (!momentHasCome(*this, app.sys.now())) {
        closeAskedTicks = -1;
        return;
    }
    appWindow = app.sys.findWindow(appTitle);
    // With no window, a close request would reach this program's own
    // message queue; nothing is posted.
    if (appWindow == 0) return;
    if (closeAskedTicks < kGiveUpTicks) ++closeAskedTicks;
    if (closeAskedTicks == kGiveUpTicks) {
        appWindow = 0;
        return;
    }
    if (closeAskedTicks % kAskAgainTicks != 0) return;
    // A viewer that refuses the request (it runs as administrator) cannot
    // be asked: the viewing ends on this tick as if it had closed.
    if (!app.sys.postClose(appWindow)) appWindow = 0;
}

}  // namespace corvell::ui
