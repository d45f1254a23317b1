// The scripted mixer driver: the mixers a test describes, counted reads and writes, and failures on demand.
#include <map>
#include <mutex>

#include "platform/mixer/MixerDevice.h"
#include "platform/mixer/ScriptedMixer.h"

namespace platform::mixer {
namespace {
struct ScriptedMixer {
    Description description;
    std::map<DWORD, std::vector<LONG>> values;  // by control id
    bool unreadable = false;
};

struct Script {
    std::mutex mutex;
    std::vector<std::shared_ptr<ScriptedMixer>> mixers;
    int reads = 0;
    int writes = 0;
    bool fail = false;
};

Script& TheScript()
{
    static Script script;
    return script;
}

Line MakeLine(const scripted::MixerLineScript& s, std::vector<std::vector<LONG>>* starts)
{
    Line line;
    line.componentType = s.componentType;
    line.shortName = s.shortName;
    line.name = s.name;
    for (const auto& c : s.controls) {
        Control control;
        control.type = c.type;
        control.shortName = c.name.substr(0, 15);
        control.name = c.name;
        control.minimum = c.minimum;
        control.maximum = c.maximum;
        control.items = c.items;
        line.controls.push_back(control);
        std::vector<LONG> v = c.values;
        v.resize(c.items.empty() ? 1 : c.items.size(), 0);
        starts->push_back(v);
    }
    return line;
}

class Device_ : public Device {
public:
    explicit Device_(std::shared_ptr<ScriptedMixer> m) : mixer_(std::move(m)) {}
    const Description& Describe() const override { return mixer_->description; }

    bool Read(const Control& control, std::vector<LONG>* values) override
    {
        std::lock_guard lock(TheScript().mutex);
        ++TheScript().reads;
        if (TheScript().fail) {
            return false;
        }
        *values = mixer_->values[control.id];
        return true;
    }

    bool Write(const Control& control, const std::vector<LONG>& values) override
    {
        std::lock_guard lock(TheScript().mutex);
        ++TheScript().writes;
        if (TheScript().fail) {
            return false;
        }
        mixer_->values[control.id] = values;
        return true;
    }

private:
    std::shared_ptr<ScriptedMixer> mixer_;
};

class Scripted : public Driver {
public:
    UINT Count() override
    {
        std::lock_guard lock(TheScript().mutex);
        return static_cast<UINT>(TheScript().mixers.size());
    }

    std::unique_ptr<Device> Open(UINT id) override
    {
        std::lock_guard lock(TheScript().mutex);
        if (id >= TheScript().mixers.size() || TheScript().mixers[id]->unreadable) {
            return nullptr;
        }
        return std::make_unique<Device_>(TheScript().mixers[id]);
    }

    int MixerOfWaveIn(UINT waveInId) override
    {
        std::lock_guard lock(TheScript().mutex);
        return waveInId < TheScript().mixers.size() ? static_cast<int>(waveInId) : -1;
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
using platform::mixer::TheScript;

void SetMixers(std::vector<MixerScript> mixers)
{
    std::lock_guard lock(TheScript().mutex);
    TheScript().mixers.clear();
    TheScript().reads = TheScript().writes = 0;
    TheScript().fail = false;
    for (const MixerScript& s : mixers) {
        auto m = std::make_shared<mixer::ScriptedMixer>();
        m->description.name = s.name;
        m->unreadable = s.unreadable;
        std::vector<std::vector<LONG>> starts;
        for (const auto& d : s.destinations) {
            mixer::Destination dest;
            dest.line = mixer::MakeLine(d.line, &starts);
            for (const auto& src : d.sources) {
                dest.sources.push_back(mixer::MakeLine(src, &starts));
            }
            m->description.destinations.push_back(std::move(dest));
        }
        mixer::AssignIds(m->description);
        // Controls were numbered in the order they were made.
        for (std::size_t i = 0; i < starts.size(); ++i) {
            m->values[static_cast<DWORD>(i + 1)] = starts[i];
        }
        TheScript().mixers.push_back(m);
    }
}

std::vector<LONG> MixerControlValues(UINT mixer, const std::string& controlName)
{
    std::lock_guard lock(TheScript().mutex);
    if (mixer >= TheScript().mixers.size()) {
        return {};
    }
    auto& m = *TheScript().mixers[mixer];
    for (const auto& d : m.description.destinations) {
        std::vector<const mixer::Line*> lines{&d.line};
        for (const auto& s : d.sources) {
            lines.push_back(&s);
        }
        for (const mixer::Line* line : lines) {
            for (const auto& c : line->controls) {
                if (c.name == controlName) {
                    return m.values[c.id];
                }
            }
        }
    }
    return {};
}

int MixerValueReads()
{
    std::lock_guard lock(TheScript().mutex);
    return TheScript().reads;
}

int MixerValueWrites()
{
    std::lock_guard lock(TheScript().mutex);
    return TheScript().writes;
}

void FailMixerValues(bool fail)
{
    std::lock_guard lock(TheScript().mutex);
    TheScript().fail = fail;
}
}
