// Reading TAPVOX_AUDIO: unset or empty is ALSA, "script", "file:PATH", anything else unknown.
#include "platform/wave/AudioChoice.h"

#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace platform::wave {
AudioChoice ChosenAudio()
{
    const char* value = std::getenv("TAPVOX_AUDIO");
    if (!value || !*value) {
        return {AudioDevices::Alsa, {}};
    }
    if (std::strcmp(value, "script") == 0) {
        return {AudioDevices::Script, {}};
    }
    if (std::strncmp(value, "file:", 5) == 0) {
        return {AudioDevices::File, value + 5};
    }
    return {AudioDevices::Unknown, value};
}

void AnchorChosenAudio()
{
    const AudioChoice choice = ChosenAudio();
    if (choice.devices != AudioDevices::File || choice.value.empty() || choice.value[0] == '/') {
        return;
    }
    char* start = getcwd(nullptr, 0);
    if (!start) {
        return;
    }
    const std::string anchored = std::string("file:") + start + "/" + choice.value;
    std::free(start);
    setenv("TAPVOX_AUDIO", anchored.c_str(), 1);
}
}
