// SoundGate: loud and quiet buffers turn sound on and off, and end a take.
#include "recorder/SoundGate.h"

#include <algorithm>

namespace {
constexpr int kBuffersPerSecond = 5;
}

int SoundGate::LevelOf(std::uint32_t peaks)
{
    return static_cast<int>(std::max((peaks >> 8) & 0xFF, peaks & 0xFF)) * 100 / 127;
}

SoundGate::Decision SoundGate::Step(Counters& c, int level) const
{
    Decision d;
    bool soundOn = IsSoundOn(c);
    if (level < settings_.thresholdPercent) {
        c.loud = 0;
        if (soundOn) {
            --c.hangOver;
        }
        if (soundOn && c.hangOver < 1) {
            soundOn = false;
            d.ended = true;
            if (settings_.recordMode == 1) {
                d.atEnd = AtEnd::StopAndPlay;
            } else if (!settings_.loopsInPlace) {
                d.atEnd = AtEnd::UpdateFile;
            }
        }
        if (c.talkOff > 0) {
            --c.talkOff;
            d.nextFile = c.talkOff < 1 && settings_.recordMode == 2;
        }
    } else {
        if (!soundOn) {
            ++c.loud;
            if (c.loud >= 0) {
                soundOn = true;
                d.started = true;
            }
        }
        if (soundOn) {
            c.hangOver = kBuffersPerSecond * std::max(settings_.hangOverSeconds, 1);
            c.talkOff = settings_.talkOffSeconds * kBuffersPerSecond;
        }
    }
    d.write = soundOn;
    return d;
}
