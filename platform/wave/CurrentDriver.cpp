#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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
    const char* value = std::getenv("TAPVOX_AUDIO");
    if (!value || !*value) {
        return AlsaDriver();
    }
    if (std::strcmp(value, "script") == 0) {
        return ScriptedDriver();
    }
    if (std::strncmp(value, "file:", 5) == 0) {
        return FileDriver(value + 5);
    }
    static NoDevices none;
    static std::atomic<bool> warned{false};
    if (!warned.exchange(true)) {
        std::fprintf(stderr, "TAPVOX_AUDIO=%s is not understood (script or file:PATH); no sound devices\n", value);
    }
    return none;
}
}
