// Entry point. The program ends when its last window closes or when it is
// ended from the countdown.
#include <windows.h>

#include "platform/win32/program.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
    return corvell::win32::runProgram(showCommand);
}
