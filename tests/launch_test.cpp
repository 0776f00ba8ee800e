// Run now, the verification of the viewer's window and the automatic
// launch countdown, in simulated time.
#include <gtest/gtest.h>

#include "support/rig.h"

namespace corvell::test {
namespace {

using ui::kStartCaption;
using ui::kStopCaption;

bool paused(const ui::Form0& f) {
    return !f.Timer2.enabled() && f.Command4.text() == kStartCaption;
}

TEST(LaunchCountdown, RunsRunNowOnTheEleventhTick) {
    Rig r(Rig::LoadedWithViewer);
    EXPECT_EQ(r.shownEvery(r.form.Label2, 1000, 10), kTenToZero);
    EXPECT_EQ(r.sys.count("startProgram"), 0);
    r.advance(1000);
    EXPECT_EQ(r.sys.count("startProgram"), 1);  // nothing at start-up paused it
    EXPECT_EQ(r.sys.clock.ms(), 11000);
    EXPECT_EQ(r.form.Label2.text(), "0");
    EXPECT_EQ(r.form.Command4.text(), kStartCaption);
    EXPECT_FALSE(r.form.Command4.enabled());
}

TEST(LaunchCountdown, StopAndResumeGoOnFromTheValueShown) {
    Rig r(Rig::Loaded);
    r.advance(6000);
    EXPECT_EQ(r.form.Label2.text(), "4");
    r.form.Command4.userClick();
    EXPECT_TRUE(paused(r.form));
    r.advance(5000);
    EXPECT_EQ(r.form.Label2.text(), "4");
    r.form.Command4.userClick();
    EXPECT_EQ(r.form.Command4.text(), kStopCaption);
    r.advance(1000);
    EXPECT_EQ(r.form.Label2.text(), "3");
    EXPECT_EQ(r.form.launchCountdown, 3);
}

TEST(LaunchCountdown, EverySignOfTheUserPausesIt) {
    using Act = std::function<void(ui::Form0&)>;
    std::vector<std::pair<const char*, Act>> acts{
        {"typing in Text1", [](ui::Form0& f) { f.Text1.userType("C:\\x.exe"); }},
        {"typing in Text2", [](ui::Form0& f) { f.Text2.userType("TV"); }},
        {"mouse in Text1", [](ui::Form0& f) { f.Text1.userMouseDown(); }},
        {"right mouse in Text2",
         [](ui::Form0& f) { f.Text2.userMouseDown(ui::MouseButton::Right); }},
        {"help button press", [](ui::Form0& f) { f.Command3.userMouseDown(ui::MouseButton::Middle); }},
        {"check box", [](ui::Form0& f) { f.Check1.userClick(); }},
    };
    for (ui::ComboBox ui::Form0::*box : {&ui::Form0::Combo1, &ui::Form0::Combo2, &ui::Form0::Combo3,
                                         &ui::Form0::Combo4, &ui::Form0::Combo5, &ui::Form0::Combo6}) {
        acts.emplace_back("combo focus", [box](ui::Form0& f) { (f.*box).userFocus(); });
    }
    for (auto& [name, act] : acts) {
        Rig r(Rig::Loaded);
        r.advance(3000);
        act(r.form);
        EXPECT_TRUE(paused(r.form)) << name;
        r.advance(20000);
        EXPECT_EQ(r.form.Label2.text(), "7") << name;
        EXPECT_EQ(r.sys.count("startProgram"), 0) << name;
    }
}

TEST(LaunchCountdown, AfterAFailedAutomaticLaunchStartRetriesOneSecondLater) {
    Rig r(Rig::Loaded);
    r.advance(11000);
    EXPECT_EQ(r.sys.messages, std::vector<std::string>{kStartError});
    EXPECT_EQ(r.form.Command4.text(), kStartCaption);
    EXPECT_TRUE(r.form.Command4.enabled());
    r.form.Command4.userClick();
    EXPECT_EQ(r.form.Command4.text(), kStopCaption);
    r.advance(999);
    EXPECT_EQ(r.sys.count("startProgram"), 1);
    r.advance(1);
    EXPECT_EQ(r.sys.count("startProgram"), 2);
}

TEST(RunNow, FindsTheWindowAndStartsWatching) {
    Rig r(Rig::LoadedWithViewer);
    r.advance(2500);
    r.form.Command1.userClick();
    EXPECT_TRUE(paused(r.form));
    EXPECT_FALSE(r.form.Command1.enabled());
    EXPECT_FALSE(r.form.Command4.enabled());
    EXPECT_TRUE(r.form.Text1.locked());
    EXPECT_TRUE(r.form.Timer3.enabled());
    EXPECT_FALSE(r.form.watching);

    r.advance(1000);  // the first check, 1 s after the start
    EXPECT_TRUE(r.form.watching);
    EXPECT_FALSE(r.form.Timer3.enabled());
    EXPECT_EQ(r.form.Text1.text(), std::string("正在运行调用程序:") + kViewerPath);
    EXPECT_EQ(r.form.Text2.text(), "程序标题:TV Capture Card");
    EXPECT_TRUE(r.form.Text1.locked() && r.form.Text2.locked());
    EXPECT_EQ(r.sys.minimized.count(&r.form), 1u);
    EXPECT_EQ(r.form.startTimeText, "2004年3月16日21时5分10秒");
    EXPECT_EQ(r.sys.files["C:\\dorvanlog2k.txt"],
              gbk("\"C:\\TV Capture Card\\HDTVPCI.EXE\",\"TV Capture Card\","
                  "\"2004年3月16日21时5分10秒\"\r\n"));
    EXPECT_TRUE(r.sys.messages.empty());
}

TEST(RunNow, NormalisesQuotesAndSpaces) {
    Rig r(Rig::LoadedWithViewer);
    r.form.Text1.userType("  \"C:\\TV Capture Card\\HDTVPCI.EXE\"  ");
    r.form.Text2.userType(" \"TV Capture Card\" ");
    r.form.Command1.userClick();
    EXPECT_EQ(r.form.appPath, kViewerPath);
    EXPECT_EQ(r.form.appTitle, "TV Capture Card");
    r.advance(1000);
    EXPECT_TRUE(r.form.watching);
    EXPECT_EQ(r.sys.files["C:\\dorvanlog2k.txt"].find('"', 1), 31u);  // no quote inside a field
}

TEST(RunNow, EmptyTitleOrAStartFailureIsReportedAndNothingIsLocked) {
    struct Case {
        const char* path;
        const char* title;
        const char* message;
    } cases[] = {{kViewerPath, "   ", kEmptyTitle},
                 {kViewerPath, "\"\"", kEmptyTitle},
                 {"", "TV Capture Card", kStartError},
                 {"C:\\missing.exe", "TV", kStartError},
                 // The user declined to let it run as administrator: their
                 // own answer, not an error.
                 {kViewerPath, "TV Capture Card", ""}};
    for (const Case& c : cases) {
        Rig r(Rig::LoadedWithViewer);
        r.sys.programs[kViewerPath].declined = *c.message == '\0';
        r.form.Text1.userType(c.path);
        r.form.Text2.userType(c.title);
        r.form.Command1.userClick();
        EXPECT_EQ(r.sys.messages, *c.message == '\0' ? std::vector<std::string>{}
                                                       : std::vector<std::string>{c.message})
            << c.path << "|" << c.title;
        EXPECT_TRUE(r.form.Command1.enabled());
        EXPECT_TRUE(r.form.Command4.enabled());
        EXPECT_FALSE(r.form.Text1.locked());
        EXPECT_FALSE(r.form.Timer3.enabled());
        EXPECT_EQ(r.sys.count("startProgram"), std::string(c.message) == kEmptyTitle ? 0 : 1);
    }
}

TEST(Verification, WindowOnTheFifteenthTickIsFound) {
    Rig r;
    r.runNow("TV Capture Card", 14500);
    r.advance(15000);
    EXPECT_TRUE(r.form.watching);
    EXPECT_TRUE(r.sys.messages.empty());
    EXPECT_EQ(r.sys.count("findWindow"), 15);
}

TEST(Verification, NoWindowBySixteenthTickIsReportedOnceWhileOtherTimersTick) {
    Rig r;
    r.runNow("Some Other Title");
    std::string clockDuringBox;
    r.sys.whileMessageBox = [&](const std::string&) {
        r.advance(5000);  // the user reads the message for five seconds
        clockDuringBox = r.form.Label6.text();
    };
    r.advance(15999);
    EXPECT_TRUE(r.sys.messages.empty());
    r.advance(1);
    EXPECT_EQ(r.sys.messages, std::vector<std::string>{kWrongInput});
    EXPECT_EQ(clockDuringBox, "下面是预设定时关机时间。现在时间是:2004年3月16日21时5分28秒");
    EXPECT_TRUE(r.form.Command1.enabled());
    EXPECT_TRUE(r.form.Command4.enabled());
    EXPECT_FALSE(r.form.Text1.locked() || r.form.Text2.locked());
    EXPECT_FALSE(r.form.Timer3.enabled());
    EXPECT_FALSE(r.form.watching);
    EXPECT_EQ(r.form.launchWaitTicks, -1);
    EXPECT_EQ(r.sys.files.count("C:\\dorvanlog2k.txt"), 0u);
}

TEST(Verification, EveryLaunchWaitsItsOwnSixteenTicks) {
    Rig r;
    r.runNow("Wrong");
    r.advance(16000);
    ASSERT_EQ(r.sys.messages.size(), 1u);
    // Still wrong: the second wait gives up after its own sixteen ticks.
    r.form.Command1.userClick();
    r.advance(15000);
    EXPECT_EQ(r.sys.messages.size(), 1u);
    r.advance(1000);
    ASSERT_EQ(r.sys.messages.size(), 2u);
    // Corrected, the third launch waits afresh and succeeds late.
    r.installViewer(kViewerPath, "TV Capture Card", 12000);
    r.form.Command1.userClick();
    r.advance(13000);
    EXPECT_TRUE(r.form.watching);
    EXPECT_EQ(r.sys.messages.size(), 2u);
}

TEST(Verification, AWindowThatAlreadyExistsIsFoundOnTheFirstTick) {
    Rig r;
    r.sys.addWindow("tv capture card");  // titles compare without case
    r.runNow("", 0);
    r.advance(1000);
    EXPECT_TRUE(r.form.watching);
}

TEST(Selector, MonthAndYearChoicesRebuildTheDaysAndClampTheDay) {
    Rig r(Rig::Loaded, {2004, 1, 31, 12, 0, 0});
    ui::Form0& f = r.form;
    f.Combo2.userChoose(1);  // 2月 of 2004
    EXPECT_EQ(f.Combo3.listCount(), 29);
    EXPECT_EQ(f.presetDay, 29);
    EXPECT_EQ(f.Combo3.text(), "29日");
    f.Combo1.userChoose(1);  // 2005年
    EXPECT_EQ(f.presetYear, 2005);
    EXPECT_EQ(f.Combo3.listCount(), 28);
    EXPECT_EQ(f.presetDay, 28);
    EXPECT_EQ(f.Label4.text(), "已预设关机时间：2005年2月28日12时0分0秒");
    f.Combo2.userChoose(2);  // 3月: never raised back
    EXPECT_EQ(f.Combo3.listCount(), 31);
    EXPECT_EQ(f.presetDay, 28);
    f.Combo3.userChoose(14);
    f.Combo2.userChoose(3);  // 4月 keeps 15
    EXPECT_EQ(f.presetDay, 15);
    EXPECT_EQ(f.Combo3.listCount(), 30);
    f.Combo4.userChoose(23);
    f.Combo5.userChoose(0);
    f.Combo6.userChoose(58);
    EXPECT_EQ(f.presetHour, 23);
    EXPECT_EQ(f.presetMinute, 1);
    EXPECT_EQ(f.presetSecond, 59);
    EXPECT_EQ(f.Label4.text(), "已预设关机时间：2005年4月15日23时1分59秒");
    // Choosing the year again still rebuilds the day list from the month shown.
    f.Combo1.userChoose(1);
    EXPECT_EQ(f.Combo3.listCount(), 30);
}

TEST(Selector, TypedTextStoresNothingAndUnconvertibleTextKeepsTheField) {
    Rig r(Rig::Loaded);
    ui::Form0& f = r.form;
    f.Combo5.userType("abc");
    EXPECT_EQ(f.presetMinute, 5);
    EXPECT_EQ(f.Label4.text(), "已预设关机时间：2004年3月16日21时5分7秒");
    // Combo1's choice runs the month's handler, which converts what the
    // month box shows, typed or not.
    f.Combo2.userType("x月");
    f.Combo1.userChoose(1);
    EXPECT_EQ(f.presetMonth, 3);
    EXPECT_EQ(f.Label4.text(), "已预设关机时间：2005年x月16日21时abc7秒");
    f.Combo2.userType("99999月");
    f.Combo1.userChoose(0);
    EXPECT_EQ(f.presetMonth, 3);
}

}  // namespace
}  // namespace corvell::test
