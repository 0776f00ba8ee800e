// The shutdown countdown window: counts 10 to 0 in two-second steps, then
// asks the system to shut down; the cancel button or Esc ends the program.
#pragma once

#include <cstdint>
#include <string>

#include "platform/services.h"
#include "ui/controls.h"

namespace corvell::ui {

// The window's caption while it counts, by which the programs that drive
// it find it.
inline constexpr const char* kCountdownCaption = "正在准备关机…";

class Form1 : public Form {
public:
    explicit Form1(App& app);

    // Controls, in tab order.
    CommandButton cmdLogoff;
    CommandButton Command1;  // cancel
    CommandButton cmdForceLogoff;
    CommandButton cmdShutdown;
    CommandButton cmdForceShutdown;
    Label Label1;
    // Hidden until the computer is seen to stay on: why, in Label1's place.
    Label Label2;
    Timer Timer1;
    // From an accepted shutdown request: the time the system has to end
    // this program before the window says the computer stayed on.
    Timer Timer2;

    int16_t countLeft = 0;

    enum class Stage { Counting, ShuttingDown, StayedOn };
    Stage stage = Stage::Counting;

    // ui/
    void Form_Load();
    void Timer1_Timer();
    void Form_KeyDown(int keyCode, int shift);
    void Command1_Click();
    void Timer2_Timer();
    void Form_EndSession(bool ending);
    // system/
    void cmdLogoff_Click();
    void cmdForceLogoff_Click();
    void cmdShutdown_Click();
    void cmdForceShutdown_Click();
    void Form_Help();

    App& app;

private:
    // True when the token lacks the right to shut down.
    bool EnableShutdownPrivilege();
    // The request made, with what came of it.
    void requestShutdown(uint32_t flags);
    // Why the last request cannot shut the computer down; empty when the
    // system took it.
    std::string whyNotShutDown() const;
    // The computer did not shut down: the window says so, and why.
    void stayedOn(const std::string& why);

    // What the last shut-down request came to.
    bool privilegeRefused_ = false;
    uint32_t exitError_ = 0;
};

}  // namespace corvell::ui
