// One copy of the program per logged-on user. A second start (the Startup
// shortcut and a double-click, an impatient user) would launch a second
// viewer and open a second countdown: it brings the first copy's main
// window to the user instead and ends.
#pragma once

#include <windows.h>

#include <string>

namespace corvell::win32 {

class RunningCopy {
public:
    // user: the logged-on user's name; each user's copies meet only each
    // other.
    explicit RunningCopy(const std::string& user);
    ~RunningCopy();
    RunningCopy(const RunningCopy&) = delete;
    RunningCopy& operator=(const RunningCopy&) = delete;

    // Another copy of this user's was running first.
    bool second() const { return second_; }
    // The first copy's main window, restored if minimised, in front; false
    // when there is none yet (it is still starting).
    bool bringFirstForward() const;
    // This copy, the first, shows the user its main window.
    void announce(HWND main);

private:
    HANDLE mapping_ = nullptr;
    volatile LONG_PTR* shared_ = nullptr;  // the first copy's main window
    bool second_ = false;
};

}  // namespace corvell::win32
