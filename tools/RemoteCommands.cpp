// tapvox-remote's arguments, its help, and posting to the recorder's window.
#include "tools/RemoteCommands.h"

#include <cerrno>
#include <cstdlib>

#include "platform/ipc/Ipc.h"

namespace remote {
namespace {
// How long the recorder may take to say it took the message.
constexpr int kAcknowledgeMs = 5000;

struct Command {
    const char* name;
    UINT message;
    bool takesSeconds;
};

constexpr Command kCommands[] = {
    {"stop", kStop, false},         {"seek", kSeek, true},           {"save", kStopAndSave, false},
    {"play", kStopAndPlay, false},  {"record", kStopAndRecord, false},
};

// A whole decimal number within [lo, hi]; nothing else.
bool ParseNumber(const std::string& text, long long lo, long long hi, long long* out)
{
    if (text.empty()) {
        return false;
    }
    errno = 0;
    char* end = nullptr;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v < lo || v > hi) {
        return false;
    }
    *out = v;
    return true;
}
}

std::string HelpText()
{
    return "Usage: tapvox-remote [--wparam N] COMMAND [SECONDS]\n"
           "Sends a remote-control message to the running Tapvox of this user.\n"
           "\n"
           "Commands:\n"
           "  stop             stop recording or playback\n"
           "  seek SECONDS     move the play position by SECONDS (negative: back)\n"
           "  save             stop and save the recording under its final name\n"
           "  play             stop and play the recording back\n"
           "  record           stop and record again\n"
           "\n"
           "Options:\n"
           "  --wparam N       send N as wParam instead of 33 (Tapvox ignores the message then)\n"
           "  -h, --help       show this help\n"
           "\n"
           "Exit status: 0 taken (the recorder acknowledged it), 1 no Tapvox running (or it\n"
           "could not be reached, or did not acknowledge the message), 2 bad usage.\n";
}

Parsed ParseArguments(const std::vector<std::string>& args)
{
    Parsed out;
    std::size_t i = 0;
    while (i < args.size() && args[i].size() > 1 && args[i][0] == '-' && args[i] != "-" &&
           !(args[i][1] >= '0' && args[i][1] <= '9')) {
        const std::string& option = args[i];
        if (option == "-h" || option == "--help") {
            out.help = true;
            return out;
        }
        if (option == "--wparam") {
            long long w = 0;
            if (i + 1 >= args.size() || !ParseNumber(args[i + 1], 0, 0xFFFFFFFFLL, &w)) {
                out.error = "--wparam needs a number from 0 to 4294967295";
                return out;
            }
            out.request.wParam = static_cast<WPARAM>(w);
            i += 2;
            continue;
        }
        out.error = "unknown option " + option;
        return out;
    }
    if (i >= args.size()) {
        out.error = "no command given";
        return out;
    }
    const std::string& name = args[i++];
    const Command* command = nullptr;
    for (const Command& c : kCommands) {
        if (name == c.name) {
            command = &c;
        }
    }
    if (!command) {
        out.error = "unknown command " + name;
        return out;
    }
    out.request.message = command->message;
    if (command->takesSeconds) {
        long long seconds = 0;
        if (i >= args.size() || !ParseNumber(args[i], INT32_MIN, INT32_MAX, &seconds)) {
            out.error = "seek needs a whole number of seconds (negative: back)";
            return out;
        }
        out.request.lParam = static_cast<std::int32_t>(seconds);
        ++i;
    }
    if (i < args.size()) {
        out.error = "unexpected argument " + args[i];
    }
    return out;
}

bool Send(const Request& request, std::string* error)
{
    const HWND recorder = FindWindowA("Tapvox", nullptr);
    if (!recorder) {
        const std::string problem = platform::ipc::EndpointProblem("Tapvox");
        *error = problem.empty() ? "no Tapvox is running for this user" : "no Tapvox can be reached: " + problem;
        return false;
    }
    // Sent is not taken: a packet the recorder dropped is never acknowledged.
    switch (platform::ipc::PostAndWait(recorder, request.message, request.wParam, request.lParam, kAcknowledgeMs)) {
    case 1:
        return true;
    case 0:
        *error = "the running Tapvox refused the message";
        return false;
    default:
        *error = "the running Tapvox did not acknowledge the message (busy, or every connection taken); it may not "
                 "have been acted on";
        return false;
    }
}
}
