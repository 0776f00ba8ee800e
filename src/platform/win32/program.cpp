#include "platform/win32/program.h"

#include <windows.h>

#include <commctrl.h>

#include "platform/win32/running_copy.h"
#include "platform/win32/services.h"
#include "platform/win32/system_functions.h"
#include "platform/win32/text_calls.h"
#include "platform/win32/wide.h"
#include "ui/form0.h"

namespace corvell::win32 {

namespace {

// The documented way where comctl32 4.70 or later has it; the first
// comctl32 of Windows 95 has only the old call.
void initCommonControls() {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
    if (!sys::InitCommonControlsEx || !sys::InitCommonControlsEx(&icc)) InitCommonControls();
}

// Until the last window has gone (WM_QUIT); its exit code.
int messageLoop(Forms& forms) {
    MSG msg;
    while (calls().getMessage(&msg, nullptr, 0, 0) > 0) {
        if (forms.preTranslate(msg)) continue;
        TranslateMessage(&msg);
        calls().dispatchMessage(&msg);
    }
    return static_cast<int>(msg.wParam);
}

}  // namespace

int runProgram(int showCommand) {
    // The same bit that tells the families apart for the record and the
    // shutdown privilege.
    chooseTextCalls(GetVersion());
    RunningCopy copy(calls().userName());
    if (copy.second()) {
        copy.bringFirstForward();
        return 0;
    }
    initCommonControls();

    Win32Services services;
    App app(services);
    ui::Form0 form0(app);
    Forms& forms = services.forms();
    forms.setMain(form0);
    NativeForm& main = forms.realise(form0);
    // Without its window nothing would ever end the message loop.
    if (main.hwnd() == nullptr) return 1;
    copy.announce(main.hwnd());
    form0.Form_Load();
    main.show(showCommand);
    return messageLoop(forms);
}

}  // namespace corvell::win32
