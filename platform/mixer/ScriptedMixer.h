#pragma once
// The scripted mixers (TAPVOX_AUDIO=script): the test describes each mixer's
// lines and controls, and reads back what was written to them.
#include <string>
#include <vector>

#include "platform/mixer/Mixer.h"

namespace platform::scripted {
struct MixerControlScript {
    DWORD type = 0;
    std::string name;
    LONG minimum = 0;
    LONG maximum = 0;
    std::vector<std::string> items;  // selector items
    std::vector<LONG> values;        // start values (one per item, or one); zeros when empty
};

struct MixerLineScript {
    DWORD componentType = 0;
    std::string shortName;
    std::string name;
    std::vector<MixerControlScript> controls;
};

struct MixerDestinationScript {
    MixerLineScript line;
    std::vector<MixerLineScript> sources;
};

struct MixerScript {
    std::string name;
    std::vector<MixerDestinationScript> destinations;
    bool unreadable = false;  // its capabilities cannot be read and it cannot be opened
};

// Mixer i belongs to wave-input device i.
void SetMixers(std::vector<MixerScript> mixers);
// The values of the control named `controlName` of mixer `mixer` (empty when none).
std::vector<LONG> MixerControlValues(UINT mixer, const std::string& controlName);
// Value reads and writes served so far.
int MixerValueReads();
int MixerValueWrites();
// Every value read and write fails from now on (true) or works again.
void FailMixerValues(bool fail);
}
