#pragma once
// Ending the program at once, whatever windows are open. Tests replace the
// ending with a handler of their own so that they can watch it happen.

#include <functional>

namespace platform {

// Ends the process immediately: no window gets to run its closing code.
[[noreturn]] void endProgramNow(int exitCode = 0);

// Ends the program through the installed handler (tests), or endProgramNow.
void endProgram(int exitCode = 0);

// Installs a handler for endProgram (tests); an empty function restores the
// real ending.
void setEndProgramHandler(std::function<void(int)> handler);

} // namespace platform
