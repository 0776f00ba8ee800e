// Arming the timed shutdown, and the check that the preset moment lies far
// enough ahead. The 30-second margin applies only within the current hour
// of the current day; otherwise the fields decide down to the minute.
#include "ui/form0.h"

namespace corvell::ui {

namespace {
constexpr const char* kPresetWrong = "设定的关机时间有错误！";
constexpr const char* kPresetTooClose = "设定的关机时间必须在当前时间30秒以后！";
}  // namespace

void Form0::Check1_Click() {
    stopLaunchCountdown();
    ComboBox* boxes[] = {&Combo1, &Combo2, &Combo3, &Combo4, &Combo5, &Combo6};
    if (Check1.value() == 1) {
        for (ComboBox* b : boxes) b->setEnabled(false);
        Check1.setCaption("定时关机已开启");
        Command2_Click();
    } else {
        for (ComboBox* b : boxes) b->setEnabled(true);
        Check1.setCaption("定时关机已关闭");
    }
}

void Form0::Command2_Click() {
    const LocalTime n = app.sys.now();
    const char* refusal = nullptr;
    if (presetYear < n.year) {
        refusal = kPresetWrong;
    } else if (presetYear == n.year && presetMonth < n.month) {
        refusal = kPresetWrong;
    } else if (presetYear == n.year && presetMonth == n.month && presetDay < n.day) {
        refusal = kPresetWrong;
    } else if (presetYear == n.year && presetMonth == n.month && presetDay == n.day) {
        if (presetHour < n.hour) {
            refusal = kPresetWrong;
        } else if (presetHour == n.hour) {
            if (presetMinute < n.minute) {
                refusal = kPresetWrong;
            } else if (presetMinute == n.minute && presetSecond - n.second < 30) {
                refusal = kPresetTooClose;
            } else if (presetMinute == n.minute + 1 && (presetSecond + 60) - n.second < 30) {
                refusal = kPresetTooClose;
            }
        }
    }
    if (refusal == nullptr) {
        presetRejected = false;
        return;
    }
    presetRejected = true;
    Check1.setValue(0);  // runs Check1_Click at once: boxes back on
    app.sys.messageBox(refusal);
}

}  // namespace corvell::ui
