// The shutdown countdown window: counts 10 to 0 in two-second steps, then
// asks the system to shut down; the cancel button or Esc ends the program.
#pragma once

#include <cstdint>

#include "platform/services.h"
#include "ui/controls.h"

namespace corvell::ui {

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
    Timer Timer1;

    int16_t countLeft = 0;

    // ui/
    void Form_Load();
    void Timer1_Timer();
    void Form_KeyDown(int keyCode, int shift);
    void Command1_Click();
    // system/
    void cmdLogoff_Click();
    void cmdForceLogoff_Click();
    void cmdShutdown_Click();
    void cmdForceShutdown_Click();
    void Form_Help();

    App& app;

private:
    void EnableShutdownPrivilege();
};

}  // namespace corvell::ui
