// The program's life: the main window created, loaded and shown, then the
// message loop until the program ends.
#pragma once

namespace corvell::win32 {

// The exit code; not 0 when the main window could not be made.
int runProgram(int showCommand);

}  // namespace corvell::win32
