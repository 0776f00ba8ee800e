// Arming the timed shutdown, the check of the preset moment, and the
// trigger that asks the viewer to close.
#include <gtest/gtest.h>

#include "support/rig.h"

namespace corvell::test {
namespace {

constexpr const char* kWrong = "设定的关机时间有错误！";
constexpr const char* kTooClose = "设定的关机时间必须在当前时间30秒以后！";

void preset(ui::Form0& f, LocalTime p) {
    f.presetYear = static_cast<int16_t>(p.year);
    f.presetMonth = static_cast<int16_t>(p.month);
    f.presetDay = static_cast<int16_t>(p.day);
    f.presetHour = static_cast<int16_t>(p.hour);
    f.presetMinute = static_cast<int16_t>(p.minute);
    f.presetSecond = static_cast<int16_t>(p.second);
}

// The verdict of ticking the check box at now with this preset: "" when
// accepted, otherwise the message.
std::string verdict(LocalTime now, LocalTime p) {
    Rig r(Rig::Loaded, now);
    preset(r.form, p);
    r.form.Check1.userClick();
    EXPECT_LE(r.sys.messages.size(), 1u);
    return r.sys.messages.empty() ? "" : r.sys.messages[0];
}

TEST(Validation, TheRulesDecideFieldByFieldWithTheMarginInTheCurrentHour) {
    struct Case {
        LocalTime now, preset;
        const char* want;
    } cases[] = {
        {{2004, 3, 16, 10, 20, 50}, {2004, 3, 16, 10, 20, 50}, kTooClose},
        {{2004, 3, 16, 10, 20, 0}, {2004, 3, 16, 10, 20, 29}, kTooClose},
        {{2004, 3, 16, 10, 20, 0}, {2004, 3, 16, 10, 20, 30}, ""},
        {{2004, 3, 16, 10, 20, 50}, {2004, 3, 16, 10, 20, 45}, kTooClose},
        {{2004, 3, 16, 10, 20, 50}, {2004, 3, 16, 10, 19, 59}, kWrong},
        {{2004, 3, 16, 10, 20, 50}, {2004, 3, 16, 10, 21, 15}, kTooClose},
        {{2004, 3, 16, 10, 20, 50}, {2004, 3, 16, 10, 21, 20}, ""},
        {{2004, 3, 16, 10, 20, 50}, {2004, 3, 16, 10, 22, 5}, ""},
        {{2004, 3, 16, 10, 59, 50}, {2004, 3, 16, 11, 0, 5}, ""},
        {{2004, 3, 16, 10, 20, 50}, {2004, 3, 16, 9, 59, 59}, kWrong},
        {{2004, 3, 16, 10, 20, 50}, {2004, 3, 15, 23, 0, 0}, kWrong},
        {{2004, 3, 16, 10, 20, 50}, {2004, 2, 28, 23, 0, 0}, kWrong},
        {{2004, 3, 16, 10, 20, 50}, {2003, 12, 31, 23, 0, 0}, kWrong},
        {{2004, 3, 16, 10, 20, 50}, {2005, 1, 1, 0, 0, 0}, ""},
        {{2004, 12, 31, 23, 59, 50}, {2005, 1, 1, 0, 0, 5}, ""},
        {{2004, 3, 31, 10, 0, 0}, {2004, 4, 1, 9, 0, 0}, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(verdict(c.now, c.preset), c.want)
            << timeText(c.now) << " preset " << timeText(c.preset);
    }
}

TEST(Validation, ArmingLocksTheBoxesAndSaysSo) {
    Rig r(Rig::Loaded);
    preset(r.form, {2004, 3, 16, 22, 0, 0});
    r.form.Check1.userClick();
    EXPECT_EQ(r.form.Check1.value(), 1);
    EXPECT_EQ(r.form.Check1.text(), "定时关机已开启");
    EXPECT_FALSE(r.form.presetRejected);
    for (ui::ComboBox* b : {&r.form.Combo1, &r.form.Combo2, &r.form.Combo3, &r.form.Combo4,
                            &r.form.Combo5, &r.form.Combo6}) {
        EXPECT_FALSE(b->enabled());
    }
    r.form.Check1.userClick();
    EXPECT_EQ(r.form.Check1.text(), "定时关机已关闭");
    EXPECT_TRUE(r.form.Combo6.enabled());
}

TEST(Validation, ARefusalUnticksBeforeTheOneMessage) {
    Rig r(Rig::Loaded);
    std::string captionDuringBox;
    r.sys.whileMessageBox = [&](const std::string&) { captionDuringBox = r.form.Check1.text(); };
    r.form.Check1.userClick();  // preset is now: too close
    EXPECT_EQ(r.sys.messages, std::vector<std::string>{kTooClose});
    EXPECT_EQ(captionDuringBox, "定时关机已关闭");
    EXPECT_EQ(r.form.Check1.value(), 0);
    EXPECT_TRUE(r.form.presetRejected);
    EXPECT_TRUE(r.form.Combo1.enabled() && r.form.Combo6.enabled());
    EXPECT_FALSE(r.form.Timer2.enabled());
}

TEST(Validation, AfterARefusalRunNowDoesNothingUntilAPresetIsAccepted) {
    Rig r(Rig::LoadedWithViewer);
    r.form.Check1.userClick();
    ASSERT_EQ(r.sys.messages.size(), 1u);
    r.form.Command1.userClick();
    r.form.Command4.userClick();
    r.advance(30000);
    EXPECT_EQ(r.sys.count("startProgram"), 0);
    EXPECT_EQ(r.sys.messages.size(), 1u);
    // A valid preset armed later lifts the refusal.
    preset(r.form, {2004, 3, 16, 23, 0, 0});
    r.form.Check1.userClick();
    r.form.Command1.userClick();
    EXPECT_EQ(r.sys.count("startProgram"), 1);
}

TEST(Validation, RunNowChecksAgainAndAPresetThatCameTooCloseStopsTheLaunch) {
    Rig r(Rig::LoadedWithViewer);
    preset(r.form, {2004, 3, 16, 21, 6, 0});  // 53 s ahead
    r.form.Check1.userClick();
    ASSERT_TRUE(r.sys.messages.empty());
    r.advance(30000);
    r.form.Command1.userClick();
    EXPECT_EQ(r.sys.messages, std::vector<std::string>{kTooClose});
    EXPECT_EQ(r.sys.count("startProgram"), 0);
    EXPECT_EQ(r.form.Check1.value(), 0);
}

// Armed and just found the viewer, with the preset at `p` (which may have
// passed meanwhile); the first watching tick comes one second later.
struct Armed : Rig {
    explicit Armed(LocalTime start, LocalTime p, int closesToIgnore = 0) : Rig(Loaded, start) {
        preset(form, {2099, 1, 1, 0, 0, 0});
        form.Check1.userClick();
        viewer = sys.addWindow("TV Capture Card", closesToIgnore);
        sys.programs["C:\\TV Capture Card\\HDTVPCI.EXE"] = {"", 0};
        form.Command1.userClick();
        preset(form, p);
        advance(1000);
    }
    WindowHandle viewer = 0;
};

TEST(Trigger, ClosesTheViewerAtOrAfterThePresetSecond) {
    Armed a({2004, 3, 16, 21, 5, 0}, {2004, 3, 16, 21, 5, 40});
    ASSERT_TRUE(a.form.watching);
    a.advance(38000);  // 21:05:39
    EXPECT_EQ(a.sys.count("postClose"), 0);
    a.advance(1000);  // 21:05:40: equal counts
    EXPECT_EQ(a.sys.count("postClose"), 1);
    EXPECT_TRUE(a.runUntil([&] { return a.form1() != nullptr; }, 3000));
    EXPECT_EQ(a.sys.count("postClose"), 1);
    EXPECT_FALSE(a.sys.hasWindow(a.viewer));
}

// Asked once, then every 10 s; still there a minute after the first
// request, the viewer is left to the shutdown.
TEST(Trigger, AViewerThatNeverGoesIsAskedEveryTenSecondsAndLeftAfterAMinute) {
    Armed a({2004, 3, 16, 21, 5, 0}, {2004, 3, 16, 21, 5, 10}, 1000);
    std::vector<int64_t> asked;
    ASSERT_TRUE(a.runUntil(
        [&] {
            if (a.sys.count("postClose") > static_cast<int>(asked.size())) asked.push_back(a.sys.clock.ms());
            return a.form1() != nullptr;
        },
        90000));
    // The preset 21:05:10 comes 10 s after the first watching tick.
    EXPECT_EQ(asked, (std::vector<int64_t>{10000, 20000, 30000, 40000, 50000, 60000}));
    EXPECT_EQ(a.sys.clock.ms(), 70000);
    EXPECT_TRUE(a.sys.hasWindow(a.viewer));
    EXPECT_FALSE(a.form.Timer1.enabled());
    EXPECT_EQ(a.sys.files["C:\\dorvanlog2k.txt"],
              gbk("\"C:\\TV Capture Card\\HDTVPCI.EXE\",\"TV Capture Card\",\"2004年3月16日21时5分1秒\","
                  "\"2004年3月16日21时6分10秒\"\r\n"));
}

TEST(Trigger, AViewerThatGoesWithinTheMinuteTakesTheOrdinaryRoad) {
    Armed a({2004, 3, 16, 21, 5, 0}, {2004, 3, 16, 21, 5, 10}, 3);
    ASSERT_TRUE(a.runUntil([&] { return a.form1() != nullptr; }, 90000));
    // The fourth request, 30 s after the first, closes it; the next tick
    // finds it gone.
    EXPECT_EQ(a.sys.clock.ms(), 41000);
    EXPECT_EQ(a.sys.count("postClose"), 4);
    EXPECT_FALSE(a.sys.hasWindow(a.viewer));
}

TEST(Trigger, ALateTickOrAPresetPassedBeforeWatchingStillCounts) {
    Armed a({2004, 3, 16, 21, 5, 0}, {2004, 3, 16, 21, 4, 0});
    EXPECT_EQ(a.sys.count("postClose"), 0);
    a.advance(1000);  // the first watching tick
    EXPECT_EQ(a.sys.count("postClose"), 1);
    Armed b({2004, 3, 16, 21, 5, 0}, {2004, 3, 16, 21, 5, 3});
    b.sys.clock.jump(5000);  // the clock passes the preset between ticks
    b.advance(1000);
    EXPECT_EQ(b.sys.count("postClose"), 1);
}

TEST(Trigger, TheYearDecidesAcrossBoundaries) {
    struct Case {
        LocalTime start, preset;
        int64_t afterMs;
        const char* at;
        int posted;
    } cases[] = {
        {{2004, 12, 31, 23, 59, 56}, {2004, 12, 31, 23, 59, 59}, 1000, "2004年12月31日23时59分58秒", 0},
        {{2004, 12, 31, 23, 59, 56}, {2004, 12, 31, 23, 59, 59}, 2000, "2004年12月31日23时59分59秒", 1},
        // 00:00:00 on 1 January: the year alone says the moment has come.
        {{2004, 12, 31, 23, 59, 58}, {2004, 12, 31, 23, 59, 59}, 1000, "2005年1月1日0时0分0秒", 1},
        {{2004, 3, 31, 23, 59, 58}, {2004, 3, 31, 23, 59, 59}, 1000, "2004年4月1日0时0分0秒", 1},
        // Next year, earlier month.
        {{2004, 6, 1, 12, 0, 0}, {2005, 1, 1, 0, 0, 0}, 5000, "2004年6月1日12时0分6秒", 0},
    };
    for (const Case& c : cases) {
        Armed a(c.start, c.preset);
        a.advance(c.afterMs);
        EXPECT_EQ(timeText(a.sys.clock.now()), c.at);
        EXPECT_EQ(a.sys.count("postClose"), c.posted) << c.at << ", preset " << timeText(c.preset);
    }
}

// A viewer run as administrator may refuse the request: it can't be asked,
// so the viewing ends on that tick as if it had closed.
TEST(Trigger, ARefusedRequestEndsTheViewingOnThatTick) {
    Armed a({2004, 3, 16, 21, 5, 0}, {2004, 3, 16, 21, 5, 2});
    a.sys.windows.back().refusesClose = true;
    a.advance(1000);  // 21:05:02
    EXPECT_EQ(a.sys.count("postClose"), 1);
    EXPECT_TRUE(a.sys.hasWindow(a.viewer));
    ASSERT_NE(a.form1(), nullptr);
    EXPECT_EQ(a.form.appWindow, 0u);
    EXPECT_EQ(a.form.Text1.text(), "调用程序已经停止运行");
    EXPECT_EQ(a.sys.files["C:\\dorvanlog2k.txt"],
              gbk("\"C:\\TV Capture Card\\HDTVPCI.EXE\",\"TV Capture Card\",\"2004年3月16日21时5分1秒\","
                  "\"2004年3月16日21时5分2秒\"\r\n"));
    a.advance(5000);
    EXPECT_EQ(a.sys.count("postClose"), 1);
}

TEST(Trigger, UntickedNothingIsPosted) {
    Armed a({2004, 3, 16, 21, 5, 0}, {2004, 3, 16, 21, 5, 2});
    a.form.Check1.userClick();
    a.advance(10000);
    EXPECT_EQ(a.sys.count("postClose"), 0);
    EXPECT_TRUE(a.form.watching);
    EXPECT_EQ(a.form1(), nullptr);
}

TEST(Trigger, NoWindowMeansNoCloseRequestAtAll) {
    Armed a({2004, 3, 16, 21, 5, 0}, {2004, 3, 16, 21, 4, 0}, 100);
    a.sys.calls.clear();
    a.sys.removeWindow(a.viewer);
    a.form.Command5_Click();
    EXPECT_EQ(a.form.appWindow, 0u);
    EXPECT_EQ(a.sys.count("postClose"), 0);
}

}  // namespace
}  // namespace corvell::test
