#include "ui/form1.h"

#include <string>

#include "ui/control_ids.h"

namespace corvell::ui {

namespace id = ids::form1;

Form1::Form1(App& a)
    : Form("Form1", "正在准备关机…", 4710, 1695),
      cmdLogoff(*this, id::cmdLogoff, "cmdLogoff", "注销", {120, 480, 1455, 495}),
      Command1(*this, id::Command1, "Command1", "", {2160, 240, 2295, 1215}),
      cmdForceLogoff(*this, id::cmdForceLogoff, "cmdForceLogoff", "强制注销", {1800, 480, 1575, 495}),
      cmdShutdown(*this, id::cmdShutdown, "cmdShutdown", "关机", {3600, 480, 1335, 495}),
      cmdForceShutdown(*this, id::cmdForceShutdown, "cmdForceShutdown", "强制关机", {5160, 480, 1455, 495}),
      Label1(*this, id::Label1, "Label1", "10", {120, 120, 1935, 1455}),
      Timer1(*this, id::Timer1, "Timer1", 2000, true),
      app(a) {
    fontFace = "宋体";
    fontCharSet = kGb2312;
    border = Border::FixedDialog;
    minButton = false;
    maxButton = false;
    backColor = Rgb{224, 224, 224};
    keyPreview = true;
    // The countdown must be seen and cancellable even where the system
    // keeps the focus in another program (the viewer just closed, or the
    // user working elsewhere at the preset moment).
    topmost = true;
    flashUntilSeen = true;
    globalKeys = {27};

    Command1.graphical = true;
    Command1.backColor = Rgb{192, 192, 255};
    Command1.font = Font{1575, true};
    Label1.centred = true;
    Label1.transparent = true;
    Label1.foreColor = Rgb{0, 0, 128};
    Label1.font = Font{7200, true};
    for (CommandButton* b : {&cmdLogoff, &cmdForceLogoff, &cmdShutdown, &cmdForceShutdown}) {
        b->setVisible(false);
    }

    Command1.onClick = [this] { Command1_Click(); };
    cmdLogoff.onClick = [this] { cmdLogoff_Click(); };
    cmdForceLogoff.onClick = [this] { cmdForceLogoff_Click(); };
    cmdShutdown.onClick = [this] { cmdShutdown_Click(); };
    cmdForceShutdown.onClick = [this] { cmdForceShutdown_Click(); };
    Timer1.onTimer = [this] { Timer1_Timer(); };
    onKeyDown = [this](int key, int shift) { Form_KeyDown(key, shift); };
    onHelp = [this] { Form_Help(); };
}

void Form1::Form_Load() {
    Command1.setCaption("取消关机\r(Esc键)");
    countLeft = 10;
}

void Form1::Timer1_Timer() {
    if (countLeft != 0) {
        --countLeft;
        Label1.setCaption(std::to_string(countLeft));
        return;
    }
    Command1.setEnabled(false);
    setCaption("正在关机…");
    Command1.setCaption("再见！");
    Timer1.setEnabled(false);
    cmdShutdown_Click();
}

void Form1::Form_KeyDown(int keyCode, int /*shift*/) {
    if (keyCode == 27) app.sys.endProgram();
}

void Form1::Command1_Click() {
    Timer1.setEnabled(false);
    app.sys.endProgram();
}

}  // namespace corvell::ui
