// Once the preset moment has come, asks the viewer to close, on every
// watch tick until its window is gone.
#include "ui/form0.h"

namespace corvell::ui {

namespace {
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
    if (!momentHasCome(*this, app.sys.now())) return;
    appWindow = app.sys.findWindow(appTitle);
    // With no window, a close request would reach this program's own
    // message queue; nothing is posted. A viewer that refuses the request
    // (it runs as administrator) cannot be asked: the viewing ends on this
    // tick as if it had closed, and the shutdown asks it through the system.
    if (appWindow != 0 && !app.sys.postClose(appWindow)) appWindow = 0;
}

}  // namespace corvell::ui
