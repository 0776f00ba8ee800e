// The once-a-second heartbeat: the clock line always, and while watching,
// the viewer's window looked up again. Its disappearance ends the viewing.
#include "record/record.h"
#include "ui/form0.h"
#include "ui/form1.h"

namespace corvell::ui {

void Form0::Timer1_Timer() {
    nowText = timeText(app.sys.now());
    Label6.setCaption("下面是预设定时关机时间。现在时间是:" + nowText);
    if (!watching) return;
    appWindow = app.sys.findWindow(appTitle);
    if (Check1.value() == 1) Command5_Click();
    if (appWindow != 0) return;

    Timer1.setEnabled(false);
    Text1.setText("调用程序已经停止运行");
    record::write(app.sys, app.osFamily, {appPath, appTitle, startTimeText, nowText});
    if (!form1_) {
        form1_ = std::make_unique<Form1>(app);
        form1_->Form_Load();
    }
    app.sys.show(*form1_);
}

}  // namespace corvell::ui
