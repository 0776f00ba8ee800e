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
    auto enableBoxes = [this](bool on) {
        for (ComboBox* b : {&Combo1, &Combo2, &Combo3, &Combo4, &Combo5, &Combo6}) b->setEnabled(on);
    };
    if (Check1.value() == 1) {
        enableBoxes(false);
        Check1.setCaption("定时关机已开启");
        Command2_Click();
    } else {
        enableBoxes(true);
        Check1.setCaption("定时关机已关闭");
    }
}

void Form0::Command2_Click() {
    const LocalTime n = app.sys.now();
    // The date and time down to the minute decide first, field by field
    // from the year; the seconds count only within the current hour.
    const int p[] = {presetYear, presetMonth, presetDay, presetHour, presetMinute};
    const int now[] = {n.year, n.month, n.day, n.hour, n.minute};
    int same = 0;
    while (same < 5 && p[same] == now[same]) ++same;
    const bool past = same < 5 && p[same] < now[same];
    const bool closeThisMinute = same == 5 && presetSecond - n.second < 30;
    const bool closeNextMinute =
        same == 4 && presetMinute == n.minute + 1 && (presetSecond + 60) - n.second < 30;
    const char* refusal = nullptr;
    if (past) {
        refusal = kPresetWrong;
    } else if (closeThisMinute || closeNextMinute) {
        refusal = kPresetTooClose;
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
