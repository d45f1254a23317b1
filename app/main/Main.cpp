// main(): the session's signals held from the first instruction, the desktop
// backend where a display is, and the entry function.
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include <unistd.h>

#include "app/main/OwlMain.h"
#include "platform/display/Display.h"
#include "platform/user/Session.h"

namespace {
// A relative input file is the start folder's: the settings load moves the
// current folder to the recording folder before the device opens it.
void AnchorInputFile()
{
    const char* value = std::getenv("TAPVOX_AUDIO");
    if (!value || std::strncmp(value, "file:", 5) != 0 || value[5] == '/' || value[5] == '\0') {
        return;
    }
    char* start = getcwd(nullptr, 0);
    if (!start) {
        return;
    }
    const std::string anchored = std::string("file:") + start + "/" + (value + 5);
    std::free(start);
    setenv("TAPVOX_AUDIO", anchored.c_str(), 1);
}

bool WantsHelp(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--help") {
            return true;
        }
    }
    return false;
}
}

int main(int argc, char** argv)
{
    platform::HoldSessionSignals();
    AnchorInputFile();
    const bool display = !WantsHelp(argc, argv) && (std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY"));
    // Without a display, or when it cannot be opened, the recorder runs headless.
    if (display) {
        platform::display::Start(argc, argv);
    }
    const int code = OwlMain(argc, argv);
    if (platform::display::Started()) {
        platform::display::Stop();
    }
    return code;
}
