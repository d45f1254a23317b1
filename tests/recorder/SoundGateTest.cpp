// Sound activation over sequences of buffer levels: what each buffer decides.
#include <gtest/gtest.h>

#include <string>

#include "recorder/SoundGate.h"

namespace {
// One letter per buffer: W written, M written after a burst-start marker, E sound ended
// (stop-and-play P, file updated U, left alone e), '.' not written; N appended when the
// buffer asks for a new file.
std::string Decisions(const SoundGate::Settings& settings, const std::string& levels, SoundGate::Counters* counters = nullptr)
{
    SoundGate::Counters own;
    SoundGate::Counters& c = counters ? *counters : own;
    const SoundGate gate(settings);
    std::string out;
    for (char l : levels) {
        const int level = l == 'L' ? 100 : l == 'q' ? 0 : (l - '0') * 10;
        const SoundGate::Decision d = gate.Step(c, level);
        if (d.ended) {
            out += d.atEnd == SoundGate::AtEnd::StopAndPlay ? 'P' : d.atEnd == SoundGate::AtEnd::UpdateFile ? 'U' : 'e';
        } else {
            out += d.started ? 'M' : d.write ? 'W' : '.';
        }
        if (d.nextFile) {
            out += 'N';
        }
    }
    return out;
}

SoundGate::Settings Gate(int threshold, int recordMode = 0, int talkOff = 0, int hangOver = 1, bool loops = false)
{
    return {threshold, hangOver, talkOff, recordMode, loops};
}
}

TEST(SoundGateTest, DecidesEachBufferOfASequence)
{
    struct Case {
        const char* what;
        SoundGate::Settings settings;
        const char* levels;  // L loud (100), q quiet (0), a digit d = level d x 10
        const char* decisions;
    };
    const Case cases[] = {
        {"the first loud buffer starts and is written; four quiet ones follow, the fifth ends", Gate(20), "qqLLqqqqqq",
         "..MWWWWWU."},
        {"threshold 0: every buffer is loud, one burst", Gate(0), "qqLqqqqqqq", "MWWWWWWWWW"},
        {"threshold 100: only level 100 is loud", Gate(100), "9L9999", ".MWWWW"},
        {"a level equal to the threshold is loud", Gate(30), "3qqqqq", "MWWWWU"},
        {"a loud buffer in the hang-over renews it", Gate(20), "LqqqLqqqqq", "MWWWWWWWWU"},
        {"two bursts, each with its marker", Gate(20), "LqqqqqLqqqqq", "MWWWWUMWWWWU"},
        {"hang-over of two seconds", Gate(20, 0, 0, 2), "Lqqqqqqqqqq", "MWWWWWWWWWU"},
        {"a hang-over below one second counts as one", Gate(20, 0, 0, 0), "Lqqqqq", "MWWWWU"},
        {"record mode 1: the end asks for playback", Gate(20, 1), "Lqqqqq", "MWWWWP"},
        {"loop pass in place: the end leaves the file alone", Gate(20, 0, 0, 1, true), "Lqqqqq", "MWWWWe"},
        {"record mode 1 wins over a loop pass", Gate(20, 1, 0, 1, true), "Lqqqqq", "MWWWWP"},
        {"record mode 2, talk-off 3: the fifteenth quiet buffer asks once", Gate(20, 2, 3), "Lqqqqqqqqqqqqqqqqqqq",
         "MWWWWU..........N...."},
        {"record mode 2: a loud buffer restarts the talk-off", Gate(20, 2, 1), "LqqqLqqqqq", "MWWWWWWWWUN"},
        {"the talk-off asks nothing outside record mode 2", Gate(20, 0, 1), "Lqqqqqq", "MWWWWU."},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Decisions(c.settings, c.levels), c.decisions) << c.what;
    }
}

TEST(SoundGateTest, TheCountersAreTheCallersAndZeroedCountersStartAfresh)
{
    SoundGate::Counters c;
    EXPECT_EQ(Decisions(Gate(20, 2, 2), "LL", &c), "MW");
    EXPECT_TRUE(SoundGate::IsSoundOn(c));
    EXPECT_EQ(c.hangOver, 5);
    EXPECT_EQ(c.talkOff, 10);
    // As a stop or a loop pass does: the next loud buffer begins a new burst with its marker.
    c = {};
    EXPECT_EQ(Decisions(Gate(20, 2, 2), "Lq", &c), "MW");
}

TEST(SoundGateTest, TheLevelIsTheLouderChannelInPercent)
{
    struct Case {
        std::uint32_t peaks;
        int level;
    } const cases[] = {
        {0, 0}, {127, 100}, {128, 100}, {126, 99}, {1, 0}, {64, 50}, {(127u << 8) | 0, 100}, {(0u << 8) | 127, 100},
        {(10u << 8) | 64, 50}, {(64u << 8) | 10, 50},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SoundGate::LevelOf(c.peaks), c.level) << c.peaks;
    }
}
