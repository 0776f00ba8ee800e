// The six date/time boxes of the timed shutdown. Only a list choice stores
// a number; typed text is shown in the summary as it stands.
#include <string>

#include "ui/form0.h"

namespace corvell::ui {

void Form0::storeItemNumber(const ComboBox& box, int16_t& field) {
    // Text that does not convert keeps the previous value.
    if (auto n = toInt16(dropLastChar(box.text()))) field = *n;
}

void Form0::rebuildSummary() {
    Label4.setCaption("已预设关机时间：" + Combo1.text() + Combo2.text() + Combo3.text() +
                      Combo4.text() + Combo5.text() + Combo6.text());
}

void Form0::Combo1_Click() {
    storeItemNumber(Combo1, presetYear);
    rebuildSummary();
    Combo2_Click();  // February follows the new year
}

void Form0::Combo2_Click() {
    storeItemNumber(Combo2, presetMonth);
    const int days = daysInMonth(presetMonth, presetYear);
    while (Combo3.listCount() > 0) Combo3.removeItem(0);
    for (int d = 1; d <= days; ++d) Combo3.addItem(std::to_string(d) + "日");
    // Clamped down to the month's last day, never raised.
    if (presetDay > days) presetDay = static_cast<int16_t>(days);
    Combo3.setText(std::to_string(presetDay) + "日");
    rebuildSummary();
}

void Form0::Combo3_Click() {
    storeItemNumber(Combo3, presetDay);
    rebuildSummary();
}

void Form0::Combo4_Click() {
    storeItemNumber(Combo4, presetHour);
    rebuildSummary();
}

void Form0::Combo5_Click() {
    storeItemNumber(Combo5, presetMinute);
    rebuildSummary();
}

void Form0::Combo6_Click() {
    storeItemNumber(Combo6, presetSecond);
    rebuildSummary();
}

void Form0::Combo1_GotFocus() { stopLaunchCountdown(); }
void Form0::Combo2_GotFocus() { stopLaunchCountdown(); }
void Form0::Combo3_GotFocus() { stopLaunchCountdown(); }
void Form0::Combo4_GotFocus() { stopLaunchCountdown(); }
void Form0::Combo5_GotFocus() { stopLaunchCountdown(); }
void Form0::Combo6_GotFocus() { stopLaunchCountdown(); }

}  // namespace corvell::ui
