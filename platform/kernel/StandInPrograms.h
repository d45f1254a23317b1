#pragma once
// The programs that stand in for the Windows programs the program starts by
// command line: the volume mixer and the sound control panel become the
// desktop's sound settings program; any other command line names its own program.
#include <string>
#include <vector>

namespace platform {
// The argument vector for a command line (words split at blanks, double quotes
// group; nothing is expanded), its program looked up on PATH unless the name
// holds a '/'. Empty when no such program is installed: the command then does nothing.
std::vector<std::string> StandInCommand(const char* commandLine);
}
