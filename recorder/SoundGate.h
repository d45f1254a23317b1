#pragma once
// SoundGate: sound activation as a step over buffer levels, with no window and no file.
// Counted in input buffers of a fifth of a second; the counters stay the caller's, so
// the engine can zero them where a recording starts, stops or begins a loop pass.
#include <cstdint>

class SoundGate {
public:
    struct Counters {
        int hangOver = 0;  // sound is on while above 0; counts down on quiet buffers
        int talkOff = 0;   // counts down on every quiet buffer; its end asks for a new file in record mode 2
        int loud = 0;      // loud buffers in a row while sound was off
    };
    struct Settings {
        int thresholdPercent = 0;  // a buffer at or above it is loud
        int hangOverSeconds = 1;   // below 1 counts as 1
        int talkOffSeconds = 0;
        int recordMode = 0;  // 1: stop and play the take at the end of sound; 2: new file after the talk-off
        bool loopsInPlace = false;  // a loop pass overwrites the file: the end of sound leaves it alone
    };
    // What the end of sound asks of the file or the window.
    enum class AtEnd { Nothing, StopAndPlay, UpdateFile };
    struct Decision {
        bool write = false;    // sound is on: the buffer goes to the file
        bool started = false;  // first buffer of a burst: its marker goes before it
        bool ended = false;    // this quiet buffer ended the sound; it is not written
        AtEnd atEnd = AtEnd::Nothing;
        bool nextFile = false;  // the talk-off ran out in record mode 2
    };

    explicit SoundGate(const Settings& settings) : settings_(settings) {}

    // The percent level of packed peaks (left << 8 | right, or mono in the low byte): the louder channel.
    static int LevelOf(std::uint32_t peaks);
    static bool IsSoundOn(const Counters& c) { return c.hangOver > 0; }

    Decision Step(Counters& c, int level) const;

private:
    Settings settings_;
};
