// The watch loop ending a viewing, the countdown window, the exit
// operations and help, and the whole road from start-up to the shutdown
// request, in simulated time.
#include <gtest/gtest.h>

#include "support/rig.h"

namespace corvell::test {
namespace {

// The calls of the exit operations and the shutdown privilege.
const std::vector<std::string> kExitSteps{"getCurrentProcess",    "openProcessToken",
                                          "lookupPrivilegeValue", "adjustTokenPrivileges",
                                          "closeHandle",          "exitWindowsEx"};

TEST(WatchLoop, TheClockLineRunsFromStartUp) {
    Rig r(Rig::Loaded);
    EXPECT_EQ(r.form.Label6.text(), "下面是预设定时关机时间。");
    r.advance(1000);
    EXPECT_EQ(r.form.Label6.text(), "下面是预设定时关机时间。现在时间是:2004年3月16日21时5分8秒");
    EXPECT_EQ(r.sys.count("findWindow"), 0);
}

TEST(WatchLoop, TheViewerClosedEndsTheViewingWithinASecond) {
    Rig w;
    const WindowHandle viewer = w.watch();
    w.advance(3000);
    EXPECT_EQ(w.form1(), nullptr);
    w.sys.removeWindow(viewer);  // 21:05:11.000, the user closes the viewer
    w.advance(1000);
    ASSERT_NE(w.form1(), nullptr);
    EXPECT_FALSE(w.form.Timer1.enabled());
    EXPECT_EQ(w.form.Text1.text(), "调用程序已经停止运行");
    EXPECT_EQ(w.sys.shown, std::vector<ui::Form*>{w.form1()});
    EXPECT_EQ(w.sys.files["C:\\dorvanlog2k.txt"],
              gbk("\"C:\\TV Capture Card\\HDTVPCI.EXE\",\"TV Capture Card\","
                  "\"2004年3月16日21时5分8秒\",\"2004年3月16日21时5分12秒\"\r\n"));
    // The clock line stopped with the watch.
    const std::string clock = w.form.Label6.text();
    w.advance(5000);
    EXPECT_EQ(w.form.Label6.text(), clock);
}

TEST(WatchLoop, ARenamedViewerIsGoneAndASecondWindowKeepsTheWatch) {
    Rig w;
    const WindowHandle viewer = w.watch();
    const WindowHandle twin = w.sys.addWindow("TV Capture Card");
    w.sys.removeWindow(viewer);
    w.advance(5000);
    EXPECT_EQ(w.form1(), nullptr);
    for (auto& win : w.sys.windows) {
        if (win.handle == twin) win.title = "Renamed";
    }
    w.advance(1000);
    EXPECT_NE(w.form1(), nullptr);
}

TEST(WatchLoop, AnUnwritableRecordStillOpensTheCountdownSilently) {
    Rig w;
    const WindowHandle viewer = w.watch();
    w.sys.unwritable.insert("C:\\dorvanlog2k.txt");
    w.sys.localAppData.clear();  // and no folder of the user's to fall back on
    w.sys.files.clear();
    w.sys.removeWindow(viewer);
    w.advance(1000);
    EXPECT_NE(w.form1(), nullptr);
    EXPECT_TRUE(w.sys.messages.empty());
    EXPECT_TRUE(w.sys.files.empty());
}

// The countdown window has just opened; the calls until then are forgotten.
struct Counting : Rig {
    explicit Counting(uint32_t version = kVersionNt) {
        sys.version = version;
        f1 = countdownAfterViewing();
        sys.calls.clear();
    }
    ui::Form1* f1 = nullptr;
};

TEST(CountdownWindow, CountsTenToZeroThenAsksForTheShutdownOnce) {
    Counting c;
    ASSERT_NE(c.f1, nullptr);
    EXPECT_EQ(c.f1->caption(), "正在准备关机…");
    EXPECT_EQ(c.f1->Command1.text(), "取消关机\r(Esc键)");
    EXPECT_EQ(c.shownEvery(c.f1->Label1, 2000, 10), kTenToZero);
    c.advance(1999);
    EXPECT_EQ(c.sys.count("exitWindowsEx"), 0);
    c.advance(1);  // 22 s after it opened
    EXPECT_EQ(c.f1->caption(), "正在关机…");
    EXPECT_EQ(c.f1->Command1.text(), "再见！");
    EXPECT_FALSE(c.f1->Command1.enabled());
    EXPECT_FALSE(c.f1->Timer1.enabled());
    c.advance(60000);
    EXPECT_EQ(c.sys.count("exitWindowsEx"), 1);
    c.f1->Command1.userClick();  // disabled: nothing
    EXPECT_FALSE(c.sys.ended);
}

TEST(CountdownWindow, ThePrivilegeComesFirstOnTheNtFamilyOnly) {
    Counting nt;
    nt.advance(22000);
    EXPECT_EQ(nt.sys.log(kExitSteps),
              (std::vector<std::string>{"getCurrentProcess", "openProcessToken 0xFFFFFFFF 0x28",
                                        "lookupPrivilegeValue  SeShutdownPrivilege",
                                        "adjustTokenPrivileges 0x44 0 1 0x13 2 16",
                                        "closeHandle 0x44", "exitWindowsEx 25 0xFFFFFFFF"}));
    Counting nine(kVersion9x);
    nine.advance(22000);
    EXPECT_EQ(nine.sys.log(kExitSteps), std::vector<std::string>{"exitWindowsEx 9 0xFFFFFFFF"});
    EXPECT_EQ(nine.sys.files.count("C:\\dorvanlog9x.txt"), 1u);
    EXPECT_EQ(nine.sys.files.count("C:\\dorvanlog2k.txt"), 0u);
}

TEST(CountdownWindow, FailedPrivilegeStepsStillRequestTheExit) {
    Counting c;
    c.sys.tokenFails = true;
    c.sys.privilegeNameFails = true;
    c.advance(22000);
    EXPECT_EQ(c.sys.log(kExitSteps),
              (std::vector<std::string>{"getCurrentProcess", "openProcessToken 0xFFFFFFFF 0x28",
                                        "lookupPrivilegeValue  SeShutdownPrivilege",
                                        "adjustTokenPrivileges 0x0 0 1 0x0 2 16",
                                        "exitWindowsEx 25 0xFFFFFFFF"}));
    EXPECT_TRUE(c.sys.messages.empty());
}

// Each way the computer can stay on after the request, and when the
// window says so.
struct StayedOn {
    const char* cause;
    uint32_t version;
    std::function<void(Counting&)> arrange, happen;
    int64_t toldAfterMs;  // from the request
    const char* why;
};
const StayedOn kStayedOn[] = {
    {"the request fails with the system's reason", kVersionNt,
     [](Counting& c) {
         c.sys.exitError = 5;
         c.sys.errorTexts[5] = "拒绝访问。";
     },
     nullptr, 0, "关机请求失败：拒绝访问。"},
    {"the request fails with a code the system can't describe", kVersionNt,
     [](Counting& c) { c.sys.exitError = 1234; }, nullptr, 0, "关机请求失败：错误代码 1234。"},
    {"the request fails with no code at all", kVersionNt,
     [](Counting& c) { c.sys.exitError = kUnknownError; }, nullptr, 0, "关机请求失败。"},
    {"the token lacks the right to shut down", kVersionNt,
     [](Counting& c) { c.sys.adjustError = kNotAllAssigned; }, nullptr, 0,
     "这个用户没有关机的权限。"},
    {"the request refused for want of the right", kVersionNt,
     [](Counting& c) { c.sys.exitError = kPrivilegeNotHeld; }, nullptr, 0,
     "这个用户没有关机的权限。"},
    {"a program refuses the end of the session", kVersionNt, nullptr,
     [](Counting& c) { c.f1->onEndSession(false); }, 0, "有程序阻止了关机。"},
    {"still running two minutes after an accepted request", kVersionNt, nullptr, nullptr, 120000,
     "已请求关机两分钟，可能有程序在等您回答。"},
    {"the same on 95/98/Me", kVersion9x, nullptr, nullptr, 120000,
     "已请求关机两分钟，可能有程序在等您回答。"},
};

// Runs to the request and to what follows it, up to the window saying so.
void runToStayedOn(Counting& c, const StayedOn& k) {
    if (k.arrange) k.arrange(c);
    c.f1->onEndSession(false);  // a session end called off before the request: not ours
    EXPECT_EQ(c.f1->caption(), "正在准备关机…") << k.cause;
    c.advance(22000);
    ASSERT_EQ(c.sys.count("exitWindowsEx"), 1) << k.cause;
    if (k.toldAfterMs > 0) {
        c.f1->onEndSession(true);  // the system ending it: nothing to say
        c.advance(k.toldAfterMs - 1);
        EXPECT_EQ(c.f1->caption(), "正在关机…") << k.cause;
        EXPECT_FALSE(c.f1->Command1.enabled()) << k.cause;
        c.advance(1);
    }
    if (k.happen) k.happen(c);
}

// The window says so; its button, like Esc, then ends the program.
TEST(CountdownWindow, AShutdownThatDoesNotHappenIsToldAndTheButtonOrEscEnds) {
    for (const StayedOn& k : kStayedOn) {
        for (bool byEsc : {false, true}) {
            Counting c(k.version);
            runToStayedOn(c, k);
            const std::string told = std::string("电脑没有关机。\r\n") + k.why;
            EXPECT_EQ(c.f1->caption(), "没有关机") << k.cause;
            EXPECT_FALSE(c.f1->Label1.visible()) << k.cause;
            EXPECT_TRUE(c.f1->Label2.visible()) << k.cause;
            EXPECT_EQ(c.f1->Label2.text(), told) << k.cause;
            EXPECT_EQ(c.f1->Command1.text(), "退出\r(Esc键)") << k.cause;
            EXPECT_TRUE(c.f1->Command1.enabled()) << k.cause;
            // Told once, whatever comes later; nothing retried or forced.
            c.f1->onEndSession(false);
            c.advance(300000);
            EXPECT_EQ(c.f1->Label2.text(), told) << k.cause;
            EXPECT_EQ(c.sys.count("exitWindowsEx"), 1) << k.cause;
            EXPECT_FALSE(c.sys.ended) << k.cause;
            if (byEsc) {
                c.f1->onKeyDown(27, 0);
            } else {
                c.f1->Command1.userClick();
            }
            EXPECT_TRUE(c.sys.ended) << k.cause << (byEsc ? ", Esc" : ", button");
        }
    }
}

TEST(CountdownWindow, CancelOrEscEndsTheProgramWithNoExitRequest) {
    const std::pair<const char*, std::function<void(ui::Form1&)>> ways[] = {
        {"cancel button", [](ui::Form1& f) { f.Command1.userClick(); }},
        {"Esc", [](ui::Form1& f) { f.onKeyDown(27, 0); }},
        {"Esc with Shift, Ctrl and Alt held", [](ui::Form1& f) { f.onKeyDown(27, 1 | 2 | 4); }},
    };
    for (const auto& [way, act] : ways) {
        Counting c;
        c.advance(7000);
        act(*c.f1);
        EXPECT_TRUE(c.sys.ended) << way;
        c.advance(30000);
        EXPECT_EQ(c.sys.count("exitWindowsEx"), 0) << way;
    }
    Counting other;
    other.f1->onKeyDown(13, 0);
    other.f1->onKeyDown('S', 4);
    EXPECT_FALSE(other.sys.ended);
}

TEST(CountdownWindow, TheCloseButtonClosesOnlyThisWindow) {
    Counting c;
    c.advance(5000);
    c.f1->unload();
    c.advance(60000);
    EXPECT_EQ(c.sys.count("exitWindowsEx"), 0);
    EXPECT_FALSE(c.sys.ended);
    EXPECT_FALSE(c.form.Timer1.enabled());
    EXPECT_EQ(c.sys.minimized.count(&c.form), 1u);
}

// Windows 2000 and later also end the programs that stopped answering
// (0x10) when the request does not force them all; NT 4 and 95/98/Me lack
// the flag.
TEST(ExitOperations, FlagsAndPrivilegeForEachOperationFamilyAndVersion) {
    const struct {
        int family, major;
        const char* flags;  // log off, forced log off, shut down, forced shut down
    } cases[] = {{0, 4, "0 4 9 13"}, {1, 4, "0 4 9 13"}, {1, 5, "16 4 25 13"}, {1, 10, "16 4 25 13"}};
    for (const auto& c : cases) {
        FakeServices sys(kEvening);
        App app(sys);
        app.osFamily = c.family;
        app.osMajor = c.major;
        ui::Form1 f(app);
        f.cmdLogoff_Click();
        f.cmdForceLogoff_Click();
        EXPECT_EQ(sys.count("adjustTokenPrivileges"), 0);
        f.cmdShutdown_Click();
        f.cmdForceShutdown_Click();
        EXPECT_EQ(sys.count("adjustTokenPrivileges"), 2 * c.family);
        std::string flags;
        for (const std::string& call : sys.log({"exitWindowsEx"})) {
            flags += (flags.empty() ? "" : " ") + call.substr(14, call.find(' ', 14) - 14);
        }
        EXPECT_EQ(flags, c.flags) << c.family << " " << c.major;
        EXPECT_FALSE(f.cmdShutdown.visible());
    }
}

TEST(Help, TheButtonPausesTheCountdownSendsF1AndOpensTheFileOnRelease) {
    Rig r;
    r.sys.folder = "C:\\";
    r.load();
    r.advance(4000);
    r.form.Command3.userMouseDown(ui::MouseButton::Right);
    EXPECT_FALSE(r.form.Timer2.enabled());
    EXPECT_EQ(r.form.Command4.text(), ui::kStartCaption);
    EXPECT_EQ(r.form.Label2.text(), "6");
    r.form.Command3.userMouseUp(ui::MouseButton::Right);
    EXPECT_EQ(
        r.sys.log({"keybdEvent", "htmlHelp"}),
        (std::vector<std::string>{"keybdEvent 0x70 0 0 0", "htmlHelp Form0 C:\\help.chm 0 0"}));
    // A click (Space or Enter) does nothing: the button has no click handler.
    r.form.Command3.userClick();
    EXPECT_EQ(r.sys.count("htmlHelp"), 1);
    r.advance(20000);
    EXPECT_EQ(r.sys.count("startProgram"), 0);
}

TEST(Help, F1InEitherWindowOpensTheFileOwnedByItAndPausesNothing) {
    Rig r;
    r.sys.folder = "C:\\";
    r.load();
    ui::Form1 countdown(r.app);
    for (ui::Form* f : {static_cast<ui::Form*>(&r.form), static_cast<ui::Form*>(&countdown)}) {
        f->onHelp();
        EXPECT_EQ(r.sys.calls.back().args,
                  (std::vector<std::string>{f->name(), "C:\\help.chm", "0", "0"}));
    }
    EXPECT_TRUE(r.form.Timer2.enabled());
}

TEST(WholeRoad, StartUpToShutdownWhenTheUserClosesTheViewer) {
    Rig r;
    r.sys.files["C:\\dorvanlog2k.txt"] =
        "\"" + std::string(kViewerPath) + "\",\"TV Capture Card\"\r\n";
    r.installViewer(kViewerPath, "TV Capture Card", 800);
    r.load();
    ASSERT_TRUE(r.runUntil([&] { return r.form.watching; }, 20000));
    EXPECT_EQ(r.sys.clock.ms(), 12000);  // launched at 11 s, found on the first check
    r.sys.scheduler.at(39500, [&] { r.sys.windows.clear(); });
    ASSERT_TRUE(r.runUntil([&] { return r.form1() != nullptr; }, 60000));
    EXPECT_EQ(r.sys.clock.ms(), 40000);
    const int64_t opened = r.sys.clock.ms();
    ASSERT_TRUE(r.runUntil([&] { return r.sys.count("exitWindowsEx") > 0; }, 60000));
    EXPECT_EQ(r.sys.clock.ms() - opened, 22000);
    r.advance(60000);
    EXPECT_EQ(r.sys.count("exitWindowsEx"), 1);
    EXPECT_TRUE(r.sys.messages.empty());
    EXPECT_LT(r.sys.indexOf("adjustTokenPrivileges"), r.sys.indexOf("exitWindowsEx"));
}

TEST(WholeRoad, StartUpToShutdownThroughTheTimedTrigger) {
    Rig r;
    r.installViewer(kViewerPath, "TV Capture Card", 300);
    r.load();
    r.advance(2000);
    // The user sets 21:06:01 in the boxes (52 s ahead) and arms it.
    r.form.Combo4.userFocus();
    r.form.Combo5.userChoose(5);  // 6分
    r.form.Combo6.userChoose(0);  // 1秒
    r.form.Check1.userClick();
    ASSERT_TRUE(r.sys.messages.empty());
    EXPECT_EQ(r.form.Label4.text(), "已预设关机时间：2004年3月16日21时6分1秒");
    r.form.Command4.userClick();  // resume the countdown
    ASSERT_TRUE(r.runUntil([&] { return r.form.watching; }, 20000));
    ASSERT_TRUE(r.runUntil([&] { return r.sys.count("postClose") > 0; }, 60000));
    EXPECT_EQ(timeText(r.sys.clock.now()), "2004年3月16日21时6分1秒");
    ASSERT_TRUE(r.runUntil([&] { return r.form1() != nullptr; }, 5000));
    ASSERT_TRUE(r.runUntil([&] { return r.sys.count("exitWindowsEx") > 0; }, 30000));
    EXPECT_EQ(r.sys.count("postClose"), 1);
    EXPECT_TRUE(r.sys.messages.empty());
}

}  // namespace
}  // namespace corvell::test
