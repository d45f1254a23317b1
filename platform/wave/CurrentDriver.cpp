// The wave driver TAPVOX_AUDIO selects.
#include <atomic>
#include <cstdio>

#include "platform/wave/AudioChoice.h"
#include "platform/wave/Device.h"

namespace platform::wave {
namespace {
// An unknown TAPVOX_AUDIO value: no devices at all, so the recorder reports a missing device.
class NoDevices : public Driver {
public:
    UINT Count(bool) override { return 0; }
    MMRESULT Name(bool, UINT id, std::string*) override
    {
        return id == WAVE_MAPPER ? MMSYSERR_NODRIVER : MMSYSERR_BADDEVICEID;
    }
    MMRESULT Open(bool, UINT id, const std::shared_ptr<Port>&, std::shared_ptr<Backend>*) override
    {
        return id == WAVE_MAPPER ? MMSYSERR_NODRIVER : MMSYSERR_BADDEVICEID;
    }
};
}

Driver& CurrentDriver()
{
    const AudioChoice choice = ChosenAudio();
    switch (choice.devices) {
    case AudioDevices::Alsa:
        return AlsaDriver();
    case AudioDevices::Script:
        return ScriptedDriver();
    case AudioDevices::File:
        return FileDriver(choice.value);
    case AudioDevices::Unknown:
        break;
    }
    static NoDevices none;
    static std::atomic<bool> warned{false};
    if (!warned.exchange(true)) {
        std::fprintf(stderr, "TAPVOX_AUDIO=%s is not understood (script or file:PATH); no sound devices\n",
                     choice.value.c_str());
    }
    return none;
}
}
