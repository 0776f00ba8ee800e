// The help button works on press and release, not on a click: the press
// pauses the launch countdown and sends F1, the release opens the file, as
// F1 does in either window.
#include "ui/form0.h"
#include "ui/form1.h"

namespace corvell::ui {

namespace {
constexpr uint8_t kVkF1 = 0x70;
constexpr uint32_t kHhDisplayTopic = 0;
}  // namespace

void Form0::Command3_MouseDown(MouseButton, int, int, int) {
    stopLaunchCountdown();
    app.sys.keybdEvent(kVkF1, 0, 0, 0);
}

void Form0::Command3_MouseUp(MouseButton, int, int, int) { Form_Help(); }

void Form0::Form_Help() { app.sys.htmlHelp(*this, app.helpFile(), kHhDisplayTopic, 0); }

void Form1::Form_Help() { app.sys.htmlHelp(*this, app.helpFile(), kHhDisplayTopic, 0); }

}  // namespace corvell::ui
