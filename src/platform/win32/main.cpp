// Entry point, in its ANSI form so that Windows 95/98/Me can run it; the
// program reads no command line. It ends when its last window closes or
// when it is ended from the countdown.
#include <windows.h>

#include "platform/win32/program.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int nShowCmd) {
    return corvell::win32::runProgram(nShowCmd);
}
