// Run now and the check that the started viewer's window has appeared.
#include "record/record.h"
#include "ui/form0.h"

namespace corvell::ui {

namespace {
constexpr int16_t kWaitBudget = 15;  // ticks 15..0: the 16th tick gives up
}

void Form0::Command1_Click() {
    stopLaunchCountdown();
    if (Check1.value() == 1) Command2_Click();
    if (presetRejected) return;

    appPath = normaliseInput(Text1.text());
    appTitle = normaliseInput(Text2.text());
    if (appTitle.empty()) {
        app.sys.messageBox("程序标题不能为空！");
        return;
    }
    switch (app.sys.startProgram(appPath)) {
        case StartOutcome::Started:
            break;
        case StartOutcome::Declined:
            return;  // the user's own answer: nothing to tell them
        case StartOutcome::Failed:
            app.sys.messageBox("调用程序错误，请重新输入！");
            return;
    }
    Command1.setEnabled(false);
    Command4.setEnabled(false);
    Text1.setLocked(true);
    Text2.setLocked(true);
    // Each launch waits afresh; the counter would otherwise run on below
    // zero from the last failed wait.
    launchWaitTicks = kWaitBudget;
    Timer3.setEnabled(true);
}

void Form0::Timer3_Timer() {
    Timer3.setInterval(1000);
    appWindow = app.sys.findWindow(appTitle);
    if (appWindow != 0) {
        Timer3.setEnabled(false);
        startTimeText = timeText(app.sys.now());
        record::write(app.sys, app.osFamily, {appPath, appTitle, startTimeText});
        Command1.setEnabled(false);
        Command4.setEnabled(false);
        Text1.setText("正在运行调用程序:" + appPath);
        Text1.setLocked(true);
        Text2.setText("程序标题:" + appTitle);
        Text2.setLocked(true);
        app.sys.minimize(*this);
        watching = true;
    } else if (launchWaitTicks == 0) {
        app.sys.messageBox("调用的程序或程序标题输入错误！\r请关闭刚才调用的程序,然后重新正确输入。");
        Command1.setEnabled(true);
        Command4.setEnabled(true);
        Text1.setLocked(false);
        Text2.setLocked(false);
        Timer3.setEnabled(false);
    }
    if (launchWaitTicks > INT16_MIN) --launchWaitTicks;
}

void Form0::Text1_Change() { stopLaunchCountdown(); }
void Form0::Text2_Change() { stopLaunchCountdown(); }
void Form0::Text1_MouseDown(MouseButton, int, int, int) { stopLaunchCountdown(); }
void Form0::Text2_MouseDown(MouseButton, int, int, int) { stopLaunchCountdown(); }

}  // namespace corvell::ui
