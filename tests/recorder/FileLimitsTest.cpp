// File limits without a window: when a file has reached its limit and what follows.
#include <gtest/gtest.h>

#include "recorder/FileLimits.h"

namespace {
using Reached = FileLimits::Reached;
using Next = FileLimits::Next;
using AtBuffer = FileLimits::AtBuffer;

constexpr std::uint64_t kMb = 1048576;

FileLimits BySize(int mb, int action = 3) { return FileLimits({action, 0, mb, 0}); }
FileLimits ByTime(int minutes, int action = 3) { return FileLimits({action, 1, 0, minutes}); }
FileLimits::Measure Wave(std::uint64_t size, std::uint64_t seconds = 0) { return {size, size, seconds, true}; }
}

TEST(FileLimitsTest, TheSizeAndTimeTestsAndTheWaveCap)
{
    struct Case {
        const char* what;
        FileLimits limits;
        FileLimits::Measure m;
        Reached reached;
    } const cases[] = {
        {"just below the size limit", BySize(1), Wave(kMb - 1), Reached::No},
        {"at the size limit", BySize(1), Wave(kMb), Reached::Limit},
        {"no action: no limit", BySize(1, 0), Wave(5 * kMb), Reached::No},
        {"size 0: no limit", BySize(0), Wave(5 * kMb), Reached::No},
        {"2 GiB is not reached by a small file", BySize(2048), Wave(12 * 6400), Reached::No},
        {"4 GiB is not reached by a small file", BySize(4096), Wave(12 * 6400), Reached::No},
        {"2 GiB is reached past 31 bits", BySize(2048), Wave(2048 * kMb), Reached::Limit},
        {"a WAV size limit above the cap stops at the cap", BySize(4096), Wave(FileLimits::kWaveDataCap), Reached::Limit},
        {"an MP3 file has no cap", BySize(4096), {FileLimits::kWaveDataCap, FileLimits::kWaveDataCap, 0, false},
         Reached::No},
        {"a loop pass: the write position reaches the limit", BySize(1, 1), {kMb, 3 * kMb, 0, true}, Reached::Limit},
        {"a loop pass: a larger file below its write position is not at the limit", BySize(1, 1), {kMb - 1, 3 * kMb, 0, true},
         Reached::No},
        {"without any limit a WAV at the cap goes on elsewhere", BySize(0), Wave(FileLimits::kWaveDataCap),
         Reached::WaveCap},
        {"one minute less a second", ByTime(1), Wave(kMb, 59), Reached::No},
        {"one minute", ByTime(1), Wave(0, 60), Reached::Limit},
        {"by time the size does not count", ByTime(1), Wave(100 * kMb, 1), Reached::No},
        {"by time with no minutes", ByTime(0), Wave(0, 3600), Reached::No},
        {"by size the time does not count", BySize(100), Wave(kMb, 3600), Reached::No},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.limits.Test(c.m), c.reached) << c.what;
    }
}

TEST(FileLimitsTest, WhatALimitAsksAtTheBufferAndAtTheNextFileMessage)
{
    struct Case {
        int action;
        Reached reached;
        bool canOverwrite;
        AtBuffer atBuffer;
        Next whileRecording;
        Next stopped;
    } const cases[] = {
        {1, Reached::Limit, true, AtBuffer::LoopNow, Next::LoopPass, Next::LoopPass},
        {1, Reached::Limit, false, AtBuffer::PostNextFile, Next::CannotLoop, Next::Nothing},
        {2, Reached::Limit, true, AtBuffer::PostNextFile, Next::Stop, Next::Stop},
        {3, Reached::Limit, true, AtBuffer::PostNextFile, Next::NewFile, Next::Nothing},
        {3, Reached::No, true, AtBuffer::Nothing, Next::Nothing, Next::Nothing},
        {3, Reached::WaveCap, true, AtBuffer::PostCapSplit, Next::Nothing, Next::Nothing},
        {1, Reached::WaveCap, true, AtBuffer::PostCapSplit, Next::LoopPass, Next::LoopPass},
        {0, Reached::WaveCap, true, AtBuffer::PostCapSplit, Next::Nothing, Next::Nothing},
    };
    for (const Case& c : cases) {
        const FileLimits limits({c.action, 0, 1, 0});
        EXPECT_EQ(limits.AtBufferEnd(c.reached, c.canOverwrite), c.atBuffer) << c.action;
        EXPECT_EQ(limits.AtNextFile(false, true, c.reached, c.canOverwrite), c.whileRecording) << c.action;
        EXPECT_EQ(limits.AtNextFile(false, false, Reached::No, c.canOverwrite), c.stopped) << c.action;
    }
    // The cap's own message goes on in a new file only while recording at the cap, whatever the action.
    for (int action : {0, 1, 2, 3}) {
        const FileLimits limits({action, 0, 1, 0});
        EXPECT_EQ(limits.AtNextFile(true, true, Reached::WaveCap, true), Next::CapNewFile) << action;
        EXPECT_EQ(limits.AtNextFile(true, true, Reached::Limit, true), Next::Nothing) << action;
        EXPECT_EQ(limits.AtNextFile(true, false, Reached::No, true), Next::Nothing) << action;
    }
}

TEST(FileLimitsTest, RecordOnAFileAtItsLoopLimitLoopsAtOnce)
{
    EXPECT_TRUE(BySize(1, 1).LoopDueAtRecord(kMb, 0));
    EXPECT_FALSE(BySize(1, 1).LoopDueAtRecord(kMb - 1, 0));
    EXPECT_FALSE(BySize(0, 1).LoopDueAtRecord(5 * kMb, 0));
    EXPECT_FALSE(BySize(1, 3).LoopDueAtRecord(5 * kMb, 0));
    EXPECT_TRUE(ByTime(2, 1).LoopDueAtRecord(0, 120));
    EXPECT_FALSE(ByTime(2, 1).LoopDueAtRecord(100 * kMb, 119));
    EXPECT_FALSE(ByTime(0, 1).LoopDueAtRecord(0, 120));
}

TEST(FileLimitsTest, TheDistanceToTheLimitForTheStatusLine)
{
    EXPECT_DOUBLE_EQ(*BySize(20).DistanceMb(19.95, 0), 20 - 19.95);
    EXPECT_DOUBLE_EQ(*BySize(200).DistanceMb(50, 0), 150);
    // Past the limit by exactly a megabyte still shows.
    EXPECT_DOUBLE_EQ(*BySize(1).DistanceMb(2, 0), -1);
    EXPECT_FALSE(BySize(20, 0).DistanceMb(1, 0));
    EXPECT_FALSE(BySize(0).DistanceMb(1, 0));
    // One minute at 16,000 bytes a second; a distance below 0 shows as 0.
    EXPECT_DOUBLE_EQ(*ByTime(1).DistanceMb(0.5, 16000), 960000 / 1048576.0 - 0.5);
    EXPECT_DOUBLE_EQ(*ByTime(1).DistanceMb(5, 16000), 0.0);
    EXPECT_FALSE(ByTime(1).DistanceMb(0.5, 0));
    EXPECT_FALSE(ByTime(0).DistanceMb(0.5, 16000));
}
