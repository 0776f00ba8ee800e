// The main window: the viewer's path and title, the launch countdown, the
// timed-shutdown selector and the help button. Its handlers live with the
// subsystem they belong to (main/, watch/, schedule/, system/).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/services.h"
#include "ui/controls.h"

namespace corvell::ui {

class Form1;

class Form0 : public Form {
public:
    explicit Form0(App& app);
    ~Form0() override;

    // Controls, in tab order.
    TextBox Text1;
    TextBox Text2;
    ComboBox Combo1, Combo2, Combo3, Combo4, Combo5, Combo6;
    CheckBox Check1;
    CommandButton Command4;
    CommandButton Command1;
    CommandButton Command3;
    Label Label1, Label2, Label3, Label6, Label4;
    CommandButton Command2;  // hidden: validation of the preset time
    CommandButton Command5;  // hidden: timed-shutdown trigger
    Timer Timer1, Timer2, Timer3;

    // State.
    std::string appPath;
    std::string appTitle;
    WindowHandle appWindow = 0;
    bool watching = false;
    std::string startTimeText;
    std::string nowText;
    int16_t launchCountdown = 0;
    int16_t launchWaitTicks = 0;
    int16_t presetYear = 0, presetMonth = 0, presetDay = 0;
    int16_t presetHour = 0, presetMinute = 0, presetSecond = 0;
    bool presetRejected = false;
    // Watch ticks since the first close request of the timed trigger; -1
    // before it.
    int16_t closeAskedTicks = -1;

    void stopLaunchCountdown();

    // main/
    void Form_Load();
    // watch/
    void Command1_Click();
    void Timer3_Timer();
    void Text1_Change();
    void Text1_MouseDown(MouseButton b, int shift, int x, int y);
    void Text2_Change();
    void Text2_MouseDown(MouseButton b, int shift, int x, int y);
    void Timer1_Timer();
    void Timer2_Timer();
    void Command4_Click();
    // schedule/
    void Combo1_Click();
    void Combo2_Click();
    void Combo3_Click();
    void Combo4_Click();
    void Combo5_Click();
    void Combo6_Click();
    void Combo1_GotFocus();
    void Combo2_GotFocus();
    void Combo3_GotFocus();
    void Combo4_GotFocus();
    void Combo5_GotFocus();
    void Combo6_GotFocus();
    void Check1_Click();
    void Command2_Click();
    void Command5_Click();
    // system/
    void Command3_MouseDown(MouseButton b, int shift, int x, int y);
    void Command3_MouseUp(MouseButton b, int shift, int x, int y);
    void Form_Help();

    // The countdown window, once the watch loop has shown it.
    Form1* countdownWindow() const { return form1_.get(); }

    App& app;

private:
    void rebuildSummary();
    // Stores the number of a combo's text in field unless it fails to convert.
    static void storeItemNumber(const ComboBox& box, int16_t& field);

    std::unique_ptr<Form1> form1_;
};

// The window's caption, by which the programs that drive it find it.
inline constexpr const char* kMainCaption = "Corvell1.0";

// Texts the handlers set more than once.
inline constexpr const char* kStopCaption = "停止 &S";
inline constexpr const char* kStartCaption = "开始 &S";

}  // namespace corvell::ui
