#pragma once
// Starting other programs (the desktop's opener, helpers): always from an
// argument vector, never through a shell, detached from the program and
// reaped when they end, so none is left a zombie.
#include <functional>
#include <string>
#include <vector>

namespace platform {
// Starts argv[0] (looked up on PATH) with its arguments and standard input on
// /dev/null; false when it could not be started.
bool StartProgram(const std::vector<std::string>& argv);

// Tests see the programs the layer would start instead of starting them; an
// empty function puts back the real start.
using ProgramStarter = std::function<bool(const std::vector<std::string>& argv)>;
void SetProgramStarter(ProgramStarter starter);
}
