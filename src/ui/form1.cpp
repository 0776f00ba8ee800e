#include "ui/form1.h"

#include <string>

#include "ui/control_ids.h"

namespace corvell::ui {

namespace id = ids::form1;

namespace {
// Windows ends the programs of a session it shuts down within seconds;
// still running after this, the computer stayed on.
constexpr int kSystemWaitMs = 120000;
}  // namespace

Form1::Form1(App& a)
    : Form("Form1", kCountdownCaption, 4710, 1695),
      cmdLogoff(*this, id::cmdLogoff, "cmdLogoff", "注销", {120, 480, 1455, 495}),
      Command1(*this, id::Command1, "Command1", "", {2160, 240, 2295, 1215}),
      cmdForceLogoff(*this, id::cmdForceLogoff, "cmdForceLogoff", "强制注销", {1800, 480, 1575, 495}),
      cmdShutdown(*this, id::cmdShutdown, "cmdShutdown", "关机", {3600, 480, 1335, 495}),
      cmdForceShutdown(*this, id::cmdForceShutdown, "cmdForceShutdown", "强制关机", {5160, 480, 1455, 495}),
      Label1(*this, id::Label1, "Label1", "10", {120, 120, 1935, 1455}),
      Label2(*this, id::Label2, "Label2", "", {120, 120, 1935, 1455}),
      Timer1(*this, id::Timer1, "Timer1", 2000, true),
      Timer2(*this, id::Timer2, "Timer2", kSystemWaitMs, false),
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
    Label2.transparent = true;
    Label2.foreColor = Rgb{0, 0, 128};
    Label2.font = Font{1050, false};
    Label2.setVisible(false);
    for (CommandButton* b : {&cmdLogoff, &cmdForceLogoff, &cmdShutdown, &cmdForceShutdown}) {
        b->setVisible(false);
    }

    Command1.onClick = [this] { Command1_Click(); };
    cmdLogoff.onClick = [this] { cmdLogoff_Click(); };
    cmdForceLogoff.onClick = [this] { cmdForceLogoff_Click(); };
    cmdShutdown.onClick = [this] { cmdShutdown_Click(); };
    cmdForceShutdown.onClick = [this] { cmdForceShutdown_Click(); };
    Timer1.onTimer = [this] { Timer1_Timer(); };
    Timer2.onTimer = [this] { Timer2_Timer(); };
    onEndSession = [this](bool ending) { Form_EndSession(ending); };
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
    stage = Stage::ShuttingDown;
    cmdShutdown_Click();
    const std::string why = whyNotShutDown();
    if (why.empty()) {
        Timer2.setEnabled(true);
    } else {
        stayedOn(why);
    }
}

void Form1::Timer2_Timer() { stayedOn("已请求关机两分钟，可能有程序在等您回答。"); }

// Programs asked before the one that refused are told the end is off.
void Form1::Form_EndSession(bool ending) {
    if (!ending && stage == Stage::ShuttingDown) stayedOn("有程序阻止了关机。");
}

// Nothing is retried or forced: a program that refused keeps its work,
// and the user decides in the morning.
void Form1::stayedOn(const std::string& why) {
    Timer2.setEnabled(false);
    stage = Stage::StayedOn;
    setCaption("没有关机");
    Label1.setVisible(false);
    Label2.setCaption("电脑没有关机。\r\n" + why);
    Label2.setVisible(true);
    Command1.setCaption("退出\r(Esc键)");
    Command1.setEnabled(true);
}

void Form1::Form_KeyDown(int keyCode, int /*shift*/) {
    if (keyCode == 27) app.sys.endProgram();
}

void Form1::Command1_Click() {
    Timer1.setEnabled(false);
    app.sys.endProgram();
}

}  // namespace corvell::ui
