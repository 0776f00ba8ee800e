// Bad input and faults: each has a defined outcome, never a crash, a hang
// or lost data. docs/robustness.md lists them with these tests.
#include <gtest/gtest.h>

#include "record/record.h"
#include "support/rig.h"

namespace corvell::test {
namespace {

using namespace std::string_literals;

// Runs Run now with these texts; returns the messages shown within 20 s.
std::vector<std::string> runWith(const std::string& path, const std::string& title,
                                 Rig& r) {
    r.load();
    r.form.Text1.userType(path);
    r.form.Text2.userType(title);
    r.form.Command1.userClick();
    r.advance(20000);
    return r.sys.messages;
}

TEST(BadInput, PathsAndTitlesGetAStartOrAMessage) {
    struct Case {
        std::string path, title;
        std::vector<std::string> messages;
        bool watching;
    } cases[] = {
        {"C:\\TV \"Capture\" Card\\HDTVPCI.EXE", "TV Capture Card", {}, true},
        {"   C:\\TV Capture Card\\HDTVPCI.EXE   ", "  TV Capture Card  ", {}, true},
        {"\tC:\\TV Capture Card\\HDTVPCI.EXE", "TV Capture Card", {kStartError}, false},
        {kViewerPath, "\tTV Capture Card", {kWrongInput}, false},
        {std::string(40000, 'x'), "TV Capture Card", {kStartError}, false},
        {kViewerPath, std::string(10000, 'T'), {kWrongInput}, false},
        {kViewerPath, "\"\"\"", {kEmptyTitle}, false},
        {"", "", {kEmptyTitle}, false},
        {"C:\\Windows", "TV Capture Card", {kStartError}, false},
    };
    for (const Case& c : cases) {
        Rig r;
        r.installViewer();
        EXPECT_EQ(runWith(c.path, c.title, r), c.messages) << c.path.substr(0, 40) << "|"
                                                           << c.title.substr(0, 40);
        EXPECT_EQ(r.form.watching, c.watching);
        EXPECT_EQ(r.form.Command1.enabled(), !c.watching);
    }
}

TEST(BadInput, CharactersOutsideTheCodePageAreKeptByTheRecord) {
    Rig r;
    const std::string path = "C:\\텔레비전\\tv.exe";
    r.installViewer(path, "텔레비전 📺");
    EXPECT_TRUE(runWith(path, "텔레비전 📺", r).empty());
    EXPECT_TRUE(r.form.watching);
    // The next run offers them exactly, and starts and finds the viewer.
    Rig next;
    next.sys.files = r.sys.files;
    next.installViewer(path, "텔레비전 📺");
    next.load();
    EXPECT_EQ(next.form.Text1.text(), path);
    EXPECT_EQ(next.form.Text2.text(), "텔레비전 📺");
    next.form.Command1.userClick();
    EXPECT_TRUE(next.sys.messages.empty());
}

TEST(BadInput, TypedComboTextsKeepTheFieldsNumbers) {
    struct Case {
        const char* month;
        int16_t want;
    } cases[] = {{"", 3},     {"月", 3},      {"abc月", 3}, {"40000月", 3}, {"１２月", 3},
                 {"-5月", -5}, {" 12 月", 12}, {"13月", 13}, {"7", 3}};
    for (const Case& c : cases) {
        Rig r(Rig::Loaded);
        r.form.Combo2.userType(c.month);
        r.form.Combo1.userChoose(0);
        EXPECT_EQ(r.form.presetMonth, c.want) << c.month;
        EXPECT_GE(r.form.Combo3.listCount(), 28) << c.month;
    }
}

TEST(BadInput, ImpossiblePresetsAreJudgedByTheRules) {
    struct Case {
        const char* month;
        std::vector<std::string> messages;
        int armed;
    } cases[] = {
        {"-5月", {"设定的关机时间有错误！"}, 0},  // an earlier month by the rules
        {"13月", {}, 1},                          // a later one
    };
    for (const Case& c : cases) {
        Rig r(Rig::Loaded);
        r.form.Combo2.userType(c.month);
        r.form.Combo1.userChoose(0);
        r.form.Check1.userClick();
        EXPECT_EQ(r.sys.messages, c.messages) << c.month;
        EXPECT_EQ(r.form.Check1.value(), c.armed) << c.month;
    }
}

TEST(BadInput, RecordFilesOfEveryShapeStartTheProgram) {
    struct Case {
        std::string bytes;
        std::string text1, text2;
    } cases[] = {
        {"", kViewerPath, "TV Capture Card"},
        {"\r\n", kViewerPath, "TV Capture Card"},
        {"\"one field only\"", kViewerPath, "TV Capture Card"},
        {"\x00\x01\xff\xfe\x80"s, kViewerPath, "TV Capture Card"},
        {"\"p\0\",\"t\""s, kViewerPath, "TV Capture Card"},
        {"\"C:\\a.exe\",\"no closing quote", "C:\\a.exe", "no closing quote"},
        {"\"C:\\a.exe\",\"bad \x81\x20 gbk\"", "C:\\a.exe", "bad ?  gbk"},
        {"\xEF\xBB\xBF\"C:\\电视.exe\",\"电视\"\r\n", "C:\\电视.exe", "电视"},
        // Only the first MiB is read: a first field that fills it leaves
        // no second one.
        {std::string(3 << 20, 'x') + ",y", kViewerPath, "TV Capture Card"},
        {std::string((1 << 20) - 2, 'x') + ",y", std::string((1 << 20) - 2, 'x'), "y"},
        {"\x01\x02,\x03\x04", "\x01\x02", "\x03\x04"},
    };
    for (const Case& c : cases) {
        Rig r;
        r.sys.files["C:\\dorvanlog2k.txt"] = c.bytes;
        r.load();
        EXPECT_EQ(r.form.Text1.text(), c.text1) << c.bytes.substr(0, 30);
        EXPECT_EQ(r.form.Text2.text(), c.text2) << c.bytes.substr(0, 30);
        EXPECT_TRUE(r.form.Timer2.enabled());
        // Filling the boxes pauses the countdown's caption until its first tick.
        const bool filled = c.text1 != kViewerPath;
        EXPECT_EQ(r.form.Command4.text(), filled ? ui::kStartCaption : ui::kStopCaption);
        EXPECT_TRUE(r.sys.messages.empty());
    }
}

TEST(Faults, TheClockJumpingDoesNotMoveTheCountdowns) {
    for (int64_t jump : {3600000LL, -3600000LL, -86400000LL * 40}) {
        Rig r(Rig::LoadedWithViewer);
        r.advance(3000);
        r.sys.clock.jump(jump);
        r.advance(7999);
        EXPECT_EQ(r.sys.count("startProgram"), 0) << jump;
        r.advance(1);
        EXPECT_EQ(r.sys.count("startProgram"), 1) << jump;
        r.advance(1000);
        EXPECT_TRUE(r.form.watching);
        r.sys.windows.clear();
        r.advance(1000);
        ASSERT_NE(r.form1(), nullptr);
        r.sys.clock.jump(-jump);
        r.advance(22000);
        EXPECT_EQ(r.sys.count("exitWindowsEx"), 1) << jump;
    }
}

TEST(Faults, TheClockJumpingWhileArmedIsJudgedAtEachTick) {
    Rig r;
    r.installViewer(kViewerPath, "TV Capture Card", 0);
    r.load();
    r.form.presetHour = 23;  // 23:05:07, two hours ahead
    r.form.Check1.userClick();
    ASSERT_TRUE(r.sys.messages.empty());
    r.form.Command1.userClick();
    r.advance(1000);
    ASSERT_TRUE(r.form.watching);
    r.sys.windows.front().closesToIgnore = 1000;  // the viewer will not close
    r.advance(5000);
    EXPECT_EQ(r.sys.count("postClose"), 0);
    r.sys.clock.jump(int64_t{3} * 3600000);  // forwards past the preset
    r.advance(1000);
    EXPECT_EQ(r.sys.count("postClose"), 1);
    r.sys.clock.jump(int64_t{-3} * 3600000);  // and back before it: the requests stop
    r.advance(5000);
    EXPECT_EQ(r.sys.count("postClose"), 1);
    EXPECT_EQ(r.form1(), nullptr);
}

TEST(Faults, AViewerThatExitsBeforeItsWindowIsFoundIsAFailedLaunch) {
    Rig r;
    r.runNow("", 0);  // starts, shows no window, exits
    r.advance(16000);
    EXPECT_EQ(r.sys.messages, std::vector<std::string>{kWrongInput});
    EXPECT_FALSE(r.form.watching);
}

TEST(Faults, ARefusedShutdownLeavesTheWindowWaitingWithEscStillWorking) {
    Rig r;
    ui::Form1* f1 = r.countdownAfterViewing();
    ASSERT_NE(f1, nullptr);
    r.advance(22000);  // the request is made; the system ignores it here
    r.advance(60000);
    EXPECT_EQ(r.sys.count("exitWindowsEx"), 1);
    EXPECT_EQ(f1->caption(), "正在关机…");
    EXPECT_FALSE(r.sys.ended);
    f1->onKeyDown(27, 0);
    EXPECT_EQ(r.sys.callNames().back(), "endProgram");
    EXPECT_EQ(r.sys.count("exitWindowsEx"), 1);
}

TEST(Faults, TheMainWindowClosedDuringTheCountdownLeavesTheCountdownRunning) {
    Rig r;
    ASSERT_NE(r.countdownAfterViewing(), nullptr);
    r.form.unload();
    r.advance(22000);
    EXPECT_EQ(r.sys.count("exitWindowsEx"), 1);
}

}  // namespace
}  // namespace corvell::test
