#include "ui/form0.h"

#include "ui/control_ids.h"
#include "ui/form1.h"

namespace corvell::ui {

namespace {
namespace id = ids::form0;
}  // namespace

Form0::Form0(App& a)
    : Form("Form0", kMainCaption, 6000, 3735),
      Text1(*this, id::Text1, "Text1", "C:\\TV Capture Card\\HDTVPCI.EXE", {120, 480, 5775, 375}),
      Text2(*this, id::Text2, "Text2", "TV Capture Card", {120, 1440, 5775, 375}),
      Combo1(*this, id::Combo1, "Combo1", "   年", {120, 2280, 975, 300}),
      Combo2(*this, id::Combo2, "Combo2", " 月", {1320, 2280, 735, 300}),
      Combo3(*this, id::Combo3, "Combo3", " 日", {2280, 2280, 735, 300}),
      Combo4(*this, id::Combo4, "Combo4", " 时", {3240, 2280, 735, 300}),
      Combo5(*this, id::Combo5, "Combo5", " 分", {4200, 2280, 735, 300}),
      Combo6(*this, id::Combo6, "Combo6", " 秒", {5160, 2280, 735, 300}),
      Check1(*this, id::Check1, "Check1", "开启定时关机功能", {3960, 2640, 1935, 375}),
      Command4(*this, id::Command4, "Command4", kStopCaption, {720, 3120, 1455, 495}),
      Command1(*this, id::Command1, "Command1", "立即运行", {2520, 3120, 1455, 495}),
      Command3(*this, id::Command3, "Command3", "帮助 F1", {4320, 3120, 1455, 495}),
      Label1(*this, id::Label1, "Label1", "请在下面的文本框中输入电视卡应用程序的完整路径及文件全名。",
             {120, 120, 5775, 375}),
      Label2(*this, id::Label2, "Label2", "10", {120, 3180, 495, 375}),
      Label3(*this, id::Label3, "Label3",
             "请在下面的文本框中输入电视卡应用程序的窗口标题。(注意：请确保正确，否则程序将无法正常工"
             "作！)",
             {120, 1005, 5775, 495}),
      Label6(*this, id::Label6, "Label6", "下面是预设定时关机时间。", {120, 2040, 5775, 255}),
      Label4(*this, id::Label4, "Label4", "已预设关机时间：", {120, 2700, 3735, 255}),
      Command2(*this, id::Command2, "Command2", "关机时间设定判断", {360, 2640, 855, 495}),
      Command5(*this, id::Command5, "Command5", "定时关机判断", {4560, 2640, 1215, 495}),
      Timer1(*this, id::Timer1, "Timer1", 1000, true),
      Timer2(*this, id::Timer2, "Timer2", 1000, false),
      Timer3(*this, id::Timer3, "Timer3", 1000, false),
      app(a) {
    fontFace = "宋体";
    fontCharSet = kGb2312;
    Text1.font = Font{1050, false};
    Text2.font = Font{1050, true};
    Text2.toolTip = "窗口标题是程序运行时在WINDOWS任务栏上显示的文字";
    Command1.font = Font{900, true};
    Label1.centred = true;
    Label2.centred = true;
    Label2.foreColor = Rgb{255, 0, 0};
    Label2.font = Font{1425, true};
    Label3.centred = true;
    Label3.toolTip = Text2.toolTip;
    // Drawn on the window's one plain colour, a new caption repaints the
    // label alone rather than the window behind it: the clock line in
    // Label6 changes every second.
    for (Label* l : {&Label6, &Label4}) {
        l->centred = true;
        l->transparent = true;
    }
    // The heading overlaps the date boxes by a pixel.
    Label6.clipSiblings = true;
    Command2.setVisible(false);
    Command5.setVisible(false);

    Text1.onChange = [this] { Text1_Change(); };
    Text2.onChange = [this] { Text2_Change(); };
    Text1.onMouseDown = [this](MouseButton b, int s, int x, int y) { Text1_MouseDown(b, s, x, y); };
    Text2.onMouseDown = [this](MouseButton b, int s, int x, int y) { Text2_MouseDown(b, s, x, y); };
    Combo1.onClick = [this] { Combo1_Click(); };
    Combo2.onClick = [this] { Combo2_Click(); };
    Combo3.onClick = [this] { Combo3_Click(); };
    Combo4.onClick = [this] { Combo4_Click(); };
    Combo5.onClick = [this] { Combo5_Click(); };
    Combo6.onClick = [this] { Combo6_Click(); };
    Combo1.onGotFocus = [this] { Combo1_GotFocus(); };
    Combo2.onGotFocus = [this] { Combo2_GotFocus(); };
    Combo3.onGotFocus = [this] { Combo3_GotFocus(); };
    Combo4.onGotFocus = [this] { Combo4_GotFocus(); };
    Combo5.onGotFocus = [this] { Combo5_GotFocus(); };
    Combo6.onGotFocus = [this] { Combo6_GotFocus(); };
    Check1.onClick = [this] { Check1_Click(); };
    Command1.onClick = [this] { Command1_Click(); };
    Command2.onClick = [this] { Command2_Click(); };
    Command4.onClick = [this] { Command4_Click(); };
    Command5.onClick = [this] { Command5_Click(); };
    Command3.onMouseDown = [this](MouseButton b, int s, int x, int y) {
        Command3_MouseDown(b, s, x, y);
    };
    Command3.onMouseUp = [this](MouseButton b, int s, int x, int y) { Command3_MouseUp(b, s, x, y); };
    Timer1.onTimer = [this] { Timer1_Timer(); };
    Timer2.onTimer = [this] { Timer2_Timer(); };
    Timer3.onTimer = [this] { Timer3_Timer(); };
    onHelp = [this] { Form_Help(); };
}

Form0::~Form0() = default;

void Form0::stopLaunchCountdown() {
    Timer2.setEnabled(false);
    Command4.setCaption(kStartCaption);
}

}  // namespace corvell::ui
