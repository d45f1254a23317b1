#pragma once
// Internal to platform/mixer: what a backend describes (lines and controls)
// and how it reads and writes control values; the API turns it into the
// Windows structures.
#include <memory>
#include <string>
#include <vector>

#include "platform/mixer/Mixer.h"

namespace platform::mixer {
struct Control {
    DWORD id = 0;
    DWORD type = 0;
    std::string shortName;
    std::string name;
    LONG minimum = 0;
    LONG maximum = 0;
    std::vector<std::string> items;  // selector items; empty for a single value
};

struct Line {
    DWORD id = 0;
    DWORD componentType = 0;
    std::string shortName;
    std::string name;
    DWORD channels = 1;
    std::vector<Control> controls;
};

struct Destination {
    Line line;
    std::vector<Line> sources;
};

struct Description {
    std::string name;
    std::vector<Destination> destinations;
};

// Gives every line and control an id: destination d is 0xFFFF0000 + d, its
// source s is (d + 1) << 16 | s, controls count from 1.
void AssignIds(Description& d);

// One open mixer.
class Device {
public:
    virtual ~Device() = default;
    virtual const Description& Describe() const = 0;
    // One value per item (one for a control without items).
    virtual bool Read(const Control& control, std::vector<LONG>* values) = 0;
    virtual bool Write(const Control& control, const std::vector<LONG>& values) = 0;
};

class Driver {
public:
    virtual ~Driver() = default;
    virtual UINT Count() = 0;
    virtual std::unique_ptr<Device> Open(UINT id) = 0;
    // The mixer of a wave-input device, or -1.
    virtual int MixerOfWaveIn(UINT waveInId) = 0;
};

Driver& CurrentDriver();
// An ALSA mixer by control name ("hw:0", "default" ...), or null.
std::unique_ptr<Device> OpenAlsaMixer(const char* ctlName, const std::string& name);
Driver& AlsaDriver();
Driver& ScriptedDriver();
}
