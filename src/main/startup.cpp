// The main window's load sequence. Its order matters: the family picks the
// record file, the text boxes are filled before the launch countdown is
// enabled, and the summary reads the combo texts back.
#include <string>

#include "record/record.h"
#include "ui/form0.h"

namespace corvell::ui {

void Form0::Form_Load() {
    Services& sys = app.sys;
    const uint32_t version = sys.getVersion();
    app.osFamily = (version & 0x80000000u) != 0 ? 0 : 1;
    app.osMajor = static_cast<int32_t>(version & 0xFFu);

    app.exeDir = sys.exeFolder();

    Label3.setCaption(
        "请在下面的文本框中输入电视卡应用程序的窗口标题。\r(注意：请确保正确，否则程序将无法正常工作！)");
    launchCountdown = 10;
    launchWaitTicks = 15;

    if (auto last = record::readDefaults(sys, app.osFamily)) {
        appPath = last->path;
        appTitle = last->title;
        Text1.setText(appPath);
        Text2.setText(appTitle);
    }

    const LocalTime now = sys.now();
    presetYear = static_cast<int16_t>(now.year);
    presetMonth = static_cast<int16_t>(now.month);
    presetDay = static_cast<int16_t>(now.day);
    presetHour = static_cast<int16_t>(now.hour);
    presetMinute = static_cast<int16_t>(now.minute);
    presetSecond = static_cast<int16_t>(now.second);

    Combo1.setText(std::to_string(presetYear) + "年");
    Combo2.setText(std::to_string(presetMonth) + "月");
    Combo3.setText(std::to_string(presetDay) + "日");
    Combo4.setText(std::to_string(presetHour) + "时");
    Combo5.setText(std::to_string(presetMinute) + "分");
    Combo6.setText(std::to_string(presetSecond) + "秒");
    rebuildSummary();

    Combo1.addItem(std::to_string(now.year) + "年");
    Combo1.addItem(std::to_string(now.year + 1) + "年");
    for (int m = 1; m <= 12; ++m) Combo2.addItem(std::to_string(m) + "月");
    const int days = daysInMonth(now.month, now.year);
    for (int d = 1; d <= days; ++d) Combo3.addItem(std::to_string(d) + "日");
    for (int h = 0; h <= 23; ++h) Combo4.addItem(std::to_string(h) + "时");
    for (int m = 1; m <= 59; ++m) Combo5.addItem(std::to_string(m) + "分");
    for (int s = 1; s <= 59; ++s) Combo6.addItem(std::to_string(s) + "秒");

    Timer2.setEnabled(true);
}

}  // namespace corvell::ui
