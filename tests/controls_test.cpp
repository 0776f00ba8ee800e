#include <gtest/gtest.h>

#include <vector>

#include "support/sim.h"
#include "ui/controls.h"

namespace corvell::ui {
namespace {

struct TestForm : Form {
    TestForm() : Form("F", "F", 1000, 1000) {}
    TextBox text{*this, 1, "Text", "a", {}};
    CheckBox check{*this, 2, "Check", "c", {}};
    ComboBox combo{*this, 3, "Combo", "", {}};
    CommandButton button{*this, 4, "Button", "b", {}};
    Timer slow{*this, 5, "Slow", 1000, true};
    Timer fast{*this, 6, "Fast", 300, false};
};

TEST(TextBox, ChangeOnEveryAssignmentThatChangesTheText) {
    TestForm f;
    int changes = 0;
    f.text.onChange = [&] { ++changes; };
    f.text.setText("a");
    EXPECT_EQ(changes, 0);
    f.text.setText("b");
    f.text.setText("b");
    f.text.setText("");
    EXPECT_EQ(changes, 2);
    f.text.userType("typed");
    EXPECT_EQ(changes, 3);
}

TEST(TextBox, LockedOrDisabledBoxTakesNoTyping) {
    TestForm f;
    f.text.setLocked(true);
    f.text.userType("x");
    EXPECT_EQ(f.text.text(), "a");
    f.text.setLocked(false);
    f.text.setEnabled(false);
    f.text.userType("x");
    EXPECT_EQ(f.text.text(), "a");
}

TEST(CheckBox, ClickIsRaisedNestedInsideTheAssignment) {
    TestForm f;
    std::vector<std::string> log;
    f.check.onClick = [&] {
        log.push_back("click " + std::to_string(f.check.value()));
        if (f.check.value() == 1) {
            f.check.setValue(0);  // as a refusal does
            log.push_back("after nested clear");
        }
    };
    f.check.userClick();
    EXPECT_EQ(log, (std::vector<std::string>{"click 1", "click 0", "after nested clear"}));
    EXPECT_EQ(f.check.value(), 0);
    f.check.setValue(0);
    EXPECT_EQ(log.size(), 3u);
}

TEST(ComboBox, OnlyAChoiceRaisesClick) {
    TestForm f;
    int clicks = 0;
    f.combo.onClick = [&] { ++clicks; };
    f.combo.setText("5分");
    f.combo.addItem("1分");
    f.combo.addItem("2分");
    f.combo.userType("9分");
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(f.combo.text(), "9分");
    f.combo.userChoose(1);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(f.combo.text(), "2分");
    f.combo.userChoose(5);  // no such item
    f.combo.setEnabled(false);
    f.combo.userChoose(0);
    EXPECT_EQ(clicks, 1);
}

TEST(CommandButton, DisabledOrHiddenButtonIgnoresTheUser) {
    TestForm f;
    int clicks = 0;
    f.button.onClick = [&] { ++clicks; };
    f.button.userClick();
    f.button.setEnabled(false);
    f.button.userClick();
    f.button.setEnabled(true);
    f.button.setVisible(false);
    f.button.userClick();
    EXPECT_EQ(clicks, 1);
}

TEST(Timer, TicksOnItsIntervalFromWhenItWasEnabled) {
    test::SimClock clock({2004, 3, 16, 21, 5, 7});
    test::Scheduler sched(clock);
    TestForm f;
    std::vector<std::pair<std::string, int64_t>> ticks;
    f.slow.onTimer = [&] { ticks.emplace_back("slow", clock.ms()); };
    f.fast.onTimer = [&] { ticks.emplace_back("fast", clock.ms()); };
    sched.attach(f);
    sched.advance(500);
    f.fast.setEnabled(true);
    sched.advance(1700);
    std::vector<std::pair<std::string, int64_t>> want{
        {"fast", 800}, {"slow", 1000}, {"fast", 1100}, {"fast", 1400},
        {"fast", 1700}, {"slow", 2000}, {"fast", 2000}};
    EXPECT_EQ(ticks, want);
}

TEST(Timer, TickDueWhileItsHandlerRunsIsDroppedButOthersGoOn) {
    test::SimClock clock({2004, 3, 16, 21, 5, 7});
    test::Scheduler sched(clock);
    TestForm f;
    int slowTicks = 0, fastTicks = 0;
    f.fast.setEnabled(true);
    f.slow.onTimer = [&] {
        ++slowTicks;
        if (slowTicks == 1) sched.advance(3500);  // a modal box held for 3.5 s
    };
    f.fast.onTimer = [&] { ++fastTicks; };
    sched.attach(f);
    sched.advance(1000);
    // Inside the box: fast ticks on; slow's own ticks at 2, 3 and 4 s drop.
    EXPECT_EQ(slowTicks, 1);
    EXPECT_EQ(fastTicks, 15);
    sched.advance(1000);
    EXPECT_EQ(slowTicks, 2);
}

TEST(Form, UnloadStopsItsTimers) {
    test::SimClock clock({2004, 3, 16, 21, 5, 7});
    test::Scheduler sched(clock);
    TestForm f;
    int ticks = 0;
    f.slow.onTimer = [&] { ++ticks; };
    sched.attach(f);
    sched.advance(1000);
    f.unload();
    sched.advance(5000);
    EXPECT_EQ(ticks, 1);
    EXPECT_FALSE(f.slow.enabled());
}

}  // namespace
}  // namespace corvell::ui
