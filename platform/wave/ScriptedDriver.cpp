// The scripted driver: devices and failures as the test sets them, one open device per direction.
#include <utility>

#include "platform/wave/Device.h"
#include "platform/wave/ScriptedWave.h"

namespace platform::wave {
namespace {
class ScriptedBackend : public Backend {
public:
    explicit ScriptedBackend(std::shared_ptr<Port> p) : port(std::move(p)) {}
    void Start() override { started = true; }
    void Stop() override { started = false; }
    void Reset() override { started = false; }

    std::shared_ptr<Port> port;
    bool started = false;  // port mutex
};

struct Script {
    std::mutex mutex;
    std::vector<std::string> inputs{"Scripted input"};
    std::vector<std::string> outputs{"Scripted output"};
    bool mapper = true;
    MMRESULT failIn = MMSYSERR_NOERROR;
    MMRESULT failOut = MMSYSERR_NOERROR;
    std::weak_ptr<ScriptedBackend> in;
    std::weak_ptr<ScriptedBackend> out;
    std::vector<std::uint8_t> played;
};

Script& TheScript()
{
    static Script script;
    return script;
}

std::shared_ptr<ScriptedBackend> Current(bool input)
{
    std::lock_guard lock(TheScript().mutex);
    return (input ? TheScript().in : TheScript().out).lock();
}

class Scripted : public Driver {
public:
    UINT Count(bool input) override
    {
        std::lock_guard lock(TheScript().mutex);
        return static_cast<UINT>((input ? TheScript().inputs : TheScript().outputs).size());
    }

    MMRESULT Name(bool input, UINT id, std::string* name) override
    {
        std::lock_guard lock(TheScript().mutex);
        const auto& list = input ? TheScript().inputs : TheScript().outputs;
        if (id == WAVE_MAPPER) {
            if (!TheScript().mapper || list.empty()) {
                return MMSYSERR_NODRIVER;
            }
            *name = "Wave Mapper";
            return MMSYSERR_NOERROR;
        }
        if (id >= list.size()) {
            return MMSYSERR_BADDEVICEID;
        }
        *name = list[id];
        return MMSYSERR_NOERROR;
    }

    MMRESULT Open(bool input, UINT id, const std::shared_ptr<Port>& port, std::shared_ptr<Backend>* backend) override
    {
        std::lock_guard lock(TheScript().mutex);
        const auto& list = input ? TheScript().inputs : TheScript().outputs;
        if (id == WAVE_MAPPER ? (!TheScript().mapper || list.empty()) : id >= list.size()) {
            return id == WAVE_MAPPER ? MMSYSERR_NODRIVER : MMSYSERR_BADDEVICEID;
        }
        MMRESULT& fail = input ? TheScript().failIn : TheScript().failOut;
        if (fail != MMSYSERR_NOERROR) {
            return std::exchange(fail, MMSYSERR_NOERROR);
        }
        auto& current = input ? TheScript().in : TheScript().out;
        // One open device per direction, as a sound card that allows no sharing.
        if (!current.expired()) {
            return MMSYSERR_ALLOCATED;
        }
        auto b = std::make_shared<ScriptedBackend>(port);
        current = b;
        *backend = b;
        return MMSYSERR_NOERROR;
    }
};
}

Driver& ScriptedDriver()
{
    static Scripted driver;
    return driver;
}
}

namespace platform::scripted {
using platform::wave::Current;
using platform::wave::TheScript;

void SetWaveDevices(std::vector<std::string> inputs, std::vector<std::string> outputs)
{
    std::lock_guard lock(TheScript().mutex);
    TheScript().inputs = std::move(inputs);
    TheScript().outputs = std::move(outputs);
}

void SetWaveMapper(bool available)
{
    std::lock_guard lock(TheScript().mutex);
    TheScript().mapper = available;
}

void FailNextWaveOpen(bool input, MMRESULT result)
{
    std::lock_guard lock(TheScript().mutex);
    (input ? TheScript().failIn : TheScript().failOut) = result;
}

void ResetWaveScript()
{
    std::lock_guard lock(TheScript().mutex);
    TheScript().inputs = {"Scripted input"};
    TheScript().outputs = {"Scripted output"};
    TheScript().mapper = true;
    TheScript().failIn = TheScript().failOut = MMSYSERR_NOERROR;
    TheScript().played.clear();
}

bool InputOpen() { return Current(true) != nullptr; }

bool InputStarted()
{
    const auto b = Current(true);
    if (!b) {
        return false;
    }
    std::lock_guard lock(b->port->mutex);
    return b->started;
}

std::size_t InputQueued()
{
    const auto b = Current(true);
    if (!b) {
        return 0;
    }
    std::lock_guard lock(b->port->mutex);
    return b->port->Size();
}

WAVEFORMATEX InputFormat()
{
    const auto b = Current(true);
    return b ? b->port->format : WAVEFORMATEX{};
}

std::size_t FeedInput(const void* data, std::size_t size)
{
    const auto b = Current(true);
    if (!b || !data) {
        return 0;
    }
    std::lock_guard lock(b->port->mutex);
    return b->started ? b->port->Fill(static_cast<const std::uint8_t*>(data), size) : 0;
}

bool FinishInputBuffer()
{
    const auto b = Current(true);
    if (!b) {
        return false;
    }
    std::lock_guard lock(b->port->mutex);
    if (b->port->Empty()) {
        return false;
    }
    b->port->CompleteFront();
    return true;
}

bool OutputOpen() { return Current(false) != nullptr; }

std::size_t OutputQueued()
{
    const auto b = Current(false);
    if (!b) {
        return 0;
    }
    std::lock_guard lock(b->port->mutex);
    return b->port->Size();
}

WAVEFORMATEX OutputFormat()
{
    const auto b = Current(false);
    return b ? b->port->format : WAVEFORMATEX{};
}

bool FinishOutputBuffer()
{
    const auto b = Current(false);
    if (!b) {
        return false;
    }
    std::lock_guard lock(b->port->mutex);
    const WAVEHDR* h = b->port->Front();
    if (!h) {
        return false;
    }
    {
        std::lock_guard script(TheScript().mutex);
        TheScript().played.insert(TheScript().played.end(), h->lpData, h->lpData + h->dwBufferLength);
    }
    b->port->CompleteFront();
    return true;
}

std::vector<std::uint8_t> TakePlayedBytes()
{
    std::lock_guard lock(TheScript().mutex);
    return std::exchange(TheScript().played, {});
}
}
