// main(): the session's signals held from the first instruction, the desktop
// backend where a display is, and the entry function.
#include <cstdlib>
#include <string_view>

#include "app/main/OwlMain.h"
#include "platform/display/Display.h"
#include "platform/user/Session.h"
#include "platform/wave/AudioChoice.h"

namespace {
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
    platform::wave::AnchorChosenAudio();
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
