// tapvox-remote: posts one remote-control message to the running recorder.
#include <cstdio>
#include <string>
#include <vector>

#include "tools/RemoteCommands.h"

int main(int argc, char** argv)
{
    const remote::Parsed parsed = remote::ParseArguments(std::vector<std::string>(argv + 1, argv + argc));
    if (parsed.help) {
        return std::fputs(remote::HelpText().c_str(), stdout) >= 0 && std::fflush(stdout) == 0 ? 0 : 1;
    }
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "tapvox-remote: %s\nTry 'tapvox-remote --help'.\n", parsed.error.c_str());
        return 2;
    }
    std::string error;
    if (!remote::Send(parsed.request, &error)) {
        std::fprintf(stderr, "tapvox-remote: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
