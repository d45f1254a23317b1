// Reading the switches. "-" and a letter is a switch as it always was; "/" is one
// only as a two-character argument that names nothing on disk, so absolute
// paths stay file names.
#include "app/main/CommandLine.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>

#include "platform/ipc/Ipc.h"
#include "platform/kernel/Files.h"

namespace {
bool IsSwitch(const std::string& arg)
{
    if (arg.empty()) {
        return false;
    }
    if (arg[0] == '-') {
        return true;
    }
    struct stat st {};
    return arg[0] == '/' && arg.size() == 2 && lstat(arg.c_str(), &st) != 0;
}

// The leading number of text in base, as sscanf reads it, when it lies in [lo, hi].
bool ParseNumber(const std::string& text, int base, long long lo, long long hi, long long* out)
{
    errno = 0;
    char* end = nullptr;
    const long long v = std::strtoll(text.c_str(), &end, base);
    if (end == text.c_str() || errno == ERANGE || v < lo || v > hi) {
        return false;
    }
    *out = v;
    return true;
}

std::string AbsolutePath(const std::string& name)
{
    std::string full(4096, '\0');
    const DWORD n = GetFullPathNameA(name.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (n == 0 || n >= full.size()) {
        return name;
    }
    full.resize(n);
    return full;
}
}

TCommandLine ParseCommandLine(const std::vector<std::string>& args)
{
    TCommandLine out;
    bool named = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!IsSwitch(arg)) {
            if (named) {
                continue;  // later bare arguments are ignored
            }
            named = true;
            const std::string full = AbsolutePath(arg);
            if (full.size() > kMaxPathText) {
                out.TooLongName = full;
            } else {
                out.FileToOpen = full;
            }
            continue;
        }
        const char letter = arg.size() > 1 ? static_cast<char>(std::toupper(static_cast<unsigned char>(arg[1]))) : 0;
        switch (letter) {
        case 'D':
            out.NoCompression = true;
            break;
        case 'L':
            out.ListenAtStart = true;
            break;
        case 'M':
            out.MinimiseAtStart = true;
            break;
        case 'P':
            out.PlayAtStart = true;
            break;
        case 'R':
            out.RunHidden = true;
            break;
        case 'S':
            out.SuggestedFormats = true;
            break;
        case 'U':
            out.Unused = true;
            break;
        case 'N':
            if (i + 1 < args.size()) {
                long long number = 0;
                // A handle from outside names a window only through the runtime folder's table.
                if (ParseNumber(args[++i], 16, 0, 0xFFFFFFFFLL, &number)) {
                    out.NotifyWindow = platform::ipc::WindowFromNumber(static_cast<std::uint32_t>(number));
                }
            }
            break;
        case 'Q':
            if (i + 1 < args.size()) {
                long long number = 0;
                if (ParseNumber(args[++i], 10, INT32_MIN, INT32_MAX, &number)) {
                    out.NoBlockRounding = static_cast<long>(number);
                }
            }
            break;
        case 'W':
            if (!named && i + 1 < args.size()) {
                out.WValue = args[++i].substr(0, kMaxPathText);
            }
            break;
        default:
            break;  // any other letter, or none: ignored
        }
    }
    return out;
}

std::string CommandLineHelp()
{
    return "Usage: tapvox [SWITCH...] [FILE]\n"
           "A sound recorder: records into WAV, MP3 and Ogg Vorbis files. One copy runs per user;\n"
           "starting it again brings the running one to the front (tapvox-remote controls it).\n"
           "\n"
           "Switches, a letter after \"-\" in either case (\"/x\" too, where no file of that name exists):\n"
           "  -d           do not use the compression codecs\n"
           "  -l           start recording at once\n"
           "  -m           start minimised (hidden in the notification area when the tray icon is on)\n"
           "  -n NUMBER    notify the window another program published under NUMBER (hexadecimal)\n"
           "               when sound stops and when a recording ends\n"
           "  -p           play FILE at once\n"
           "  -q NUMBER    when not 0, seek positions are not rounded to the format's blocks\n"
           "  -r           run hidden; with FILE, quit about a second after opening it\n"
           "  -s           list only the formats the codecs suggest\n"
           "  -u, -w PATH  accepted, no effect\n"
           "  --help       show this help and exit\n"
           "FILE           the recording to open, made when it does not exist\n"
           "\n"
           "Environment:\n"
           "  TAPVOX_AUDIO=file:PATH   record from the WAV file PATH instead of a sound card\n"
           "                           (file:PATH;loop starts it over at its end)\n"
           "  Without DISPLAY or WAYLAND_DISPLAY the recorder runs without a window.\n";
}
