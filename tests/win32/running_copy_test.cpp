// One copy per user: copies meet by the user's name. (A real second start,
// and the first copy's window coming forward, are end-to-end scenario
// second-copy.)
#include <windows.h>

#include "check.h"
#include "platform/win32/running_copy.h"

using corvell::win32::RunningCopy;

TEST_CASE("a user's second copy finds the first; other users' copies run alone") {
    {
        RunningCopy first("张三");
        CHECK(!first.second());
        CHECK(!RunningCopy("李四").second());
        RunningCopy again("张三");
        CHECK(again.second());
        CHECK(!again.bringFirstForward());  // the first has no window yet
    }
    // With every copy gone, the next start is the first again.
    CHECK(!RunningCopy("张三").second());
}
