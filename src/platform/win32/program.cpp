#include "platform/win32/program.h"

#include <windows.h>

#include <commctrl.h>

#include "platform/win32/services.h"
#include "platform/win32/text_calls.h"
#include "ui/form0.h"

namespace corvell::win32 {

int runProgram(int showCommand) {
    // The same bit that tells the families apart for the record and the
    // shutdown privilege.
    chooseTextCalls(GetVersion());
    // Every comctl32 has this one; the classes the windows use need no more.
    InitCommonControls();

    Win32Services services;
    App app(services);
    ui::Form0 form0(app);
    services.setMainForm(form0);
    NativeForm& main = services.realise(form0);
    // Without its window nothing would ever end the message loop.
    if (main.hwnd() == nullptr) return 1;
    form0.Form_Load();
    main.show(showCommand);
    return services.run();
}

}  // namespace corvell::win32
