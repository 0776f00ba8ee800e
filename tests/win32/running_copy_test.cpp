// One copy per user: a second start finds the first by the user's name and
// shows its main window. (The real second process is an end-to-end
// scenario.)
#include <windows.h>

#include "check.h"
#include "platform/win32/running_copy.h"
#include "platform/win32/services.h"

using corvell::win32::RunningCopy;

TEST_CASE("a second copy of a user's shows the first's window; other users' run alone") {
    corvell::win32::Win32Services sys;
    corvell::ui::Form main("Main", "Main", 1500, 1000);
    const HWND w = sys.realise(main).hwnd();
    ShowWindow(w, SW_MINIMIZE);
    {
        RunningCopy first("张三");
        CHECK(!first.second());
        RunningCopy starting("张三");  // before the first has a window
        CHECK(starting.second());
        CHECK(!starting.bringFirstForward());
        first.announce(w);
        CHECK(!RunningCopy("李四").second());
        RunningCopy again("张三");
        CHECK(again.second());
        CHECK(again.bringFirstForward());
        CHECK(!IsIconic(w));
        CHECK(GetForegroundWindow() == w);
    }
    // With every copy gone, the next start is the first again.
    CHECK(!RunningCopy("张三").second());
}
