// Message pumping for tests that drive real windows in-process.
#pragma once

#include <windows.h>

#include <functional>

#include "platform/win32/services.h"
#include "platform/win32/text_calls.h"

namespace wintest {

// Dispatches messages the way the program's loop does until pred holds or
// ms have passed; true when it held.
inline bool pumpUntil(corvell::win32::Win32Services& sys, const std::function<bool()>& pred,
                      DWORD ms) {
    const DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        const corvell::win32::TextCalls& calls = corvell::win32::calls();
        while (calls.peekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (sys.forms().preTranslate(msg)) continue;
            TranslateMessage(&msg);
            calls.dispatchMessage(&msg);
        }
        if (pred()) return true;
        if (GetTickCount() - start > ms) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

inline void pumpFor(corvell::win32::Win32Services& sys, DWORD ms) {
    pumpUntil(sys, [] { return false; }, ms);
}

}  // namespace wintest
