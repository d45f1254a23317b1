#pragma once
// The sound devices TAPVOX_AUDIO selects; the wave and mixer layers both follow it.
#include <string>

namespace platform::wave {

enum class AudioDevices { Alsa, Script, File, Unknown };

struct AudioChoice {
    AudioDevices devices = AudioDevices::Alsa;
    // File: what follows "file:"; Unknown: the value as given.
    std::string value;
};

// Read at every call, so tests may switch.
AudioChoice ChosenAudio();
// A relative file input is the start folder's: called once at start, before the settings move the current
// folder to the recording folder, it makes the path absolute where TAPVOX_AUDIO names it.
void AnchorChosenAudio();
}
