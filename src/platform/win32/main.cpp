// Entry point: the main window is created, loaded, then shown; the program
// ends when its last window closes or when it is ended from the countdown.
#include <windows.h>

#include <commctrl.h>

#include "platform/win32/services.h"
#include "ui/form0.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);

    corvell::win32::Win32Services services;
    corvell::App app(services);
    corvell::ui::Form0 form0(app);
    services.setMainForm(form0);
    corvell::win32::NativeForm& main = services.realise(form0);
    form0.Form_Load();
    main.show(showCommand);
    return services.run();
}
