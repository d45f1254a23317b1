// Reading TAPVOX_AUDIO: unset or empty is ALSA, "script", "file:PATH", anything else unknown.
#include "platform/wave/AudioChoice.h"

#include <cstdlib>
#include <cstring>

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
}
