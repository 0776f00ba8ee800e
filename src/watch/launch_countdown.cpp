// The countdown from 10 that launches the viewer by itself, and the button
// that pauses and resumes it.
#include <string>

#include "ui/form0.h"

namespace corvell::ui {

void Form0::Timer2_Timer() {
    Command4.setCaption(kStopCaption);
    if (launchCountdown != 0) {
        --launchCountdown;
        Label2.setCaption(std::to_string(launchCountdown));
        return;
    }
    Timer2.setEnabled(false);
    Command4.setCaption(kStartCaption);
    Command1_Click();
}

void Form0::Command4_Click() {
    Timer2.setEnabled(!Timer2.enabled());
    Command4.setCaption(Timer2.enabled() ? kStopCaption : kStartCaption);
}

}  // namespace corvell::ui
