// The native control IDs of both windows, shared with the programs that
// drive the real windows (tests, benchmarks). An ID is part of a control's
// design: it does not follow the order of the members.
#pragma once

namespace corvell::ui::ids {

namespace form0 {
enum : int {
    Text1 = 1000,
    Text2,
    Combo1,
    Combo2,
    Combo3,
    Combo4,
    Combo5,
    Combo6,
    Check1,
    Command4,
    Command1,
    Command3,
    Label1,
    Label2,
    Label3,
    Label6,
    Label4,
    Command2,
    Command5,
    Timer1,
    Timer2,
    Timer3,
};
}  // namespace form0

namespace form1 {
enum : int {
    cmdLogoff = 2000,
    Command1,
    cmdForceLogoff,
    cmdShutdown,
    cmdForceShutdown,
    Label1,
    Timer1,
    Label2,
    Timer2,
};
}  // namespace form1

}  // namespace corvell::ui::ids
