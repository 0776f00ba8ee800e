#include <gtest/gtest.h>

#include "support/rig.h"

namespace corvell::test {
namespace {

using ui::kStartCaption;
using ui::kStopCaption;

TEST(MainWindowDesign, StateBeforeLoad) {
    Rig r;
    ui::Form0& f = r.form;
    EXPECT_EQ(f.caption(), "Corvell1.0");
    EXPECT_EQ(f.Command4.text(), kStopCaption);
    EXPECT_EQ(f.Label2.text(), "10");
    EXPECT_EQ(f.Combo1.text(), "   年");
    for (ui::ComboBox* c : {&f.Combo2, &f.Combo3, &f.Combo4, &f.Combo5, &f.Combo6}) {
        EXPECT_EQ(c->text().substr(0, 1), " ");
        EXPECT_EQ(c->text().size(), 4u);
    }
    EXPECT_TRUE(f.Timer1.enabled());
    EXPECT_FALSE(f.Timer2.enabled());
    EXPECT_FALSE(f.Timer3.enabled());
    EXPECT_FALSE(f.Command2.visible());
    EXPECT_FALSE(f.Command5.visible());
    // Tab order: the focusable controls come first, in order.
    std::vector<std::string> names;
    for (ui::Control* c : f.controls()) names.push_back(c->name());
    std::vector<std::string> want{"Text1",  "Text2",  "Combo1",   "Combo2",   "Combo3",
                                  "Combo4", "Combo5", "Combo6",   "Check1",   "Command4",
                                  "Command1", "Command3", "Label1", "Label2",   "Label3",
                                  "Label6", "Label4", "Command2", "Command5", "Timer1",
                                  "Timer2", "Timer3"};
    EXPECT_EQ(names, want);
}

TEST(StartUp, FirstRunWithoutARecord) {
    Rig r(Rig::Loaded);
    ui::Form0& f = r.form;
    EXPECT_EQ(r.app.osFamily, 1);
    EXPECT_EQ(f.Text1.text(), "C:\\TV Capture Card\\HDTVPCI.EXE");
    EXPECT_EQ(f.Text2.text(), "TV Capture Card");
    EXPECT_EQ(f.appPath, "");
    EXPECT_EQ(f.appTitle, "");
    EXPECT_EQ(f.Label3.text(),
              "请在下面的文本框中输入电视卡应用程序的窗口标题。\r(注意：请确保正确，否则程序将无法正常工作！)");
    EXPECT_EQ(f.launchCountdown, 10);
    EXPECT_EQ(f.launchWaitTicks, 15);
    EXPECT_EQ(f.Combo1.text(), "2004年");
    EXPECT_EQ(f.Combo3.text(), "16日");
    EXPECT_EQ(f.Label4.text(), "已预设关机时间：2004年3月16日21时5分7秒");
    EXPECT_EQ(f.Combo1.items(), (std::vector<std::string>{"2004年", "2005年"}));
    EXPECT_EQ(f.Combo2.listCount(), 12);
    EXPECT_EQ(f.Combo2.list(11), "12月");
    EXPECT_EQ(f.Combo3.listCount(), 31);
    EXPECT_EQ(f.Combo4.list(0), "0时");
    EXPECT_EQ(f.Combo4.list(23), "23时");
    EXPECT_EQ(f.Combo5.listCount(), 59);
    EXPECT_EQ(f.Combo5.list(0), "1分");
    EXPECT_EQ(f.Combo6.list(58), "59秒");
    EXPECT_TRUE(f.Timer2.enabled());
    EXPECT_EQ(f.Command4.text(), kStopCaption);
    EXPECT_EQ(r.sys.messages.size(), 0u);
    EXPECT_EQ(r.sys.callNames().back(), "readFile");
}

TEST(StartUp, RecordFillsTheBoxesAndTheCountdownStillStarts) {
    Rig r;
    r.sys.files["C:\\dorvanlog2k.txt"] =
        "\"D:\\Cards\\" + gbk("电视") + ".exe\",\"" + gbk("电视") + "\",\"x\",\"y\"\r\n";
    r.load();
    ui::Form0& f = r.form;
    EXPECT_EQ(f.Text1.text(), "D:\\Cards\\电视.exe");
    EXPECT_EQ(f.Text2.text(), "电视");
    EXPECT_EQ(f.appPath, "D:\\Cards\\电视.exe");
    // Filling the boxes paused the countdown before it was enabled; it
    // still runs and its first tick restores the caption.
    EXPECT_EQ(f.Command4.text(), kStartCaption);
    EXPECT_TRUE(f.Timer2.enabled());
    r.advance(1000);
    EXPECT_EQ(f.Command4.text(), kStopCaption);
    EXPECT_EQ(f.Label2.text(), "9");
}

TEST(StartUp, TheOtherFamilysFileIsNeverTouched) {
    for (uint32_t version : {kVersionNt, kVersion9x}) {
        Rig r;
        r.sys.version = version;
        r.sys.files["C:\\dorvanlog9x.txt"] = "\"9x.exe\",\"Nine\"\r\n";
        r.sys.files["C:\\dorvanlog2k.txt"] = "\"2k.exe\",\"Two\"\r\n";
        r.load();
        const bool nine = version & 0x80000000u;
        EXPECT_EQ(r.app.osFamily, nine ? 0 : 1);
        EXPECT_EQ(r.form.Text2.text(), nine ? "Nine" : "Two");
        // In the root and in the user's own folder, by the family's name only.
        const std::string name = nine ? "\\dorvanlog9x.txt" : "\\dorvanlog2k.txt";
        EXPECT_EQ(r.sys.log({"readFile"}),
                  (std::vector<std::string>{"readFile C:" + name,
                                            "readFile " + r.sys.userDataFolder() + name}));
    }
}

TEST(StartUp, MinuteAndSecondZeroAreShownThoughNotInTheLists) {
    Rig r(Rig::Loaded, {2004, 3, 16, 9, 0, 0});
    EXPECT_EQ(r.form.Combo5.text(), "0分");
    EXPECT_EQ(r.form.Combo6.text(), "0秒");
    EXPECT_EQ(r.form.Label4.text(), "已预设关机时间：2004年3月16日9时0分0秒");
}

TEST(StartUp, DayListFollowsThePresentMonth) {
    struct Case {
        LocalTime t;
        int days;
    } cases[] = {{{2004, 2, 10, 12, 0, 0}, 29}, {{2005, 2, 10, 12, 0, 0}, 28},
                 {{2100, 2, 10, 12, 0, 0}, 29}, {{2005, 4, 30, 12, 0, 0}, 30},
                 {{2005, 12, 31, 23, 59, 59}, 31}};
    for (const Case& c : cases) {
        Rig r(Rig::Loaded, c.t);
        EXPECT_EQ(r.form.Combo3.listCount(), c.days) << c.t.year << "-" << c.t.month;
        EXPECT_EQ(r.form.Combo3.list(c.days - 1), std::to_string(c.days) + "日");
        EXPECT_EQ(r.form.Combo1.list(1), std::to_string(c.t.year + 1) + "年");
    }
}

TEST(StartUp, HelpFileLiesBesideTheExecutable) {
    struct Case {
        const char* folder;
        const char* helpFile;
    } cases[] = {{"C:\\", "C:\\help.chm"},
                 {"D:\\Tools", "D:\\Tools\\help.chm"},
                 {"D:\\Tools\\", "D:\\Tools\\help.chm"}};
    for (const Case& c : cases) {
        Rig r;
        r.sys.folder = c.folder;
        r.load();
        EXPECT_EQ(r.app.helpFile(), c.helpFile) << c.folder;
    }
}

}  // namespace
}  // namespace corvell::test
