// An input whose buffers are all out keeps what its device delivers and hands
// it on in order; what does not fit is a gap marked on the first buffer after it.
#include <cstdlib>

#include "platform/wave/ScriptedWave.h"
#include "tests/platform/wave/WaveTestSupport.h"

using namespace wavetest;
namespace script = platform::scripted;

namespace {
struct InputRing : ::testing::Test, DeviceOwner {
    void SetUp() override
    {
        setenv("TAPVOX_AUDIO", "script", 1);
        script::ResetWaveScript();
        platform::ClearMessageQueue();
    }
    void TearDown() override
    {
        CloseDevices();
        platform::ClearMessageQueue();
        unsetenv("TAPVOX_INPUT_RING_MS");
    }
    // Gives a returned header back, as the recorder does, and takes what it holds when it returns at once.
    std::vector<std::uint8_t> Requeue(WAVEHDR* h)
    {
        EXPECT_EQ(waveInAddBuffer(in, h, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
        const auto done = Take(MM_WIM_DATA);
        if (done.empty()) {
            return {};
        }
        EXPECT_EQ(done.size(), 1u);
        EXPECT_EQ(HeaderOf(done[0]), h);
        return Bytes(h->lpData, h->dwBytesRecorded);
    }
    DWORD Position()
    {
        MMTIME t{};
        t.wType = TIME_BYTES;
        EXPECT_EQ(waveInGetPosition(in, &t, sizeof t), MMSYSERR_NOERROR);
        EXPECT_EQ(t.wType, TIME_BYTES);
        return t.u.cb;
    }
};
}

TEST_F(InputRing, WhatArrivesWhileEveryBufferIsOutComesNextInOrderAndAStopHandsOutTheRest)
{
    Buffers& b = Make(format);
    OpenInput(b);
    ASSERT_EQ(waveInStart(in), MMSYSERR_NOERROR);
    // Twelve and a half buffers while nobody takes any: all of it is captured.
    const auto samples = Pattern(8820 * 12 + 4410, 7);
    ASSERT_EQ(script::FeedInput(samples.data(), samples.size()), samples.size());
    EXPECT_EQ(Position(), samples.size());
    ASSERT_EQ(Take(MM_WIM_DATA).size(), 5u);
    std::vector<std::uint8_t> got;
    for (std::size_t i = 0; i < 5; ++i) {
        const auto part = Bytes(b[i]->lpData, b[i]->dwBytesRecorded);
        got.insert(got.end(), part.begin(), part.end());
    }
    for (std::size_t i = 0; i < 7; ++i) {
        const auto part = Requeue(b[i % 5]);
        ASSERT_EQ(part.size(), 8820u) << i;
        EXPECT_EQ(b[i % 5]->dwFlags & WHDR_GAP, 0u);
        got.insert(got.end(), part.begin(), part.end());
    }
    // The half buffer waits in the next header until the stop returns it.
    EXPECT_TRUE(Requeue(b[2]).empty());
    ASSERT_EQ(waveInStop(in), MMSYSERR_NOERROR);
    const auto done = Take(MM_WIM_DATA);
    ASSERT_EQ(done.size(), 1u);
    const auto tail = Bytes(b[2]->lpData, b[2]->dwBytesRecorded);
    got.insert(got.end(), tail.begin(), tail.end());
    EXPECT_EQ(got, samples);
    // A reset drops nothing more and starts the position again.
    ASSERT_EQ(waveInReset(in), MMSYSERR_NOERROR);
    EXPECT_EQ(Position(), 0u);
}

TEST_F(InputRing, AFullRingLosesOnlyWhatDidNotFitAndTheFirstBufferAfterTheGapSaysHowMuch)
{
    // A ring of one and a half buffers.
    setenv("TAPVOX_INPUT_RING_MS", "300", 1);
    Buffers& b = Make(format);
    OpenInput(b);
    ASSERT_EQ(waveInStart(in), MMSYSERR_NOERROR);
    const auto samples = Pattern(8820 * 9, 8);
    // Five buffers fill the queue, one and a half wait, one is lost; then one and a half more.
    ASSERT_EQ(script::FeedInput(samples.data(), 8820 * 6 + 4410), 8820u * 6 + 4410);
    ASSERT_EQ(script::FeedInput(samples.data() + 8820 * 6 + 4410, 8820), 8820u);
    ASSERT_EQ(Take(MM_WIM_DATA).size(), 5u);
    EXPECT_EQ(Position(), 8820u * 7 + 4410);
    EXPECT_EQ(Requeue(b[0]), Slice(samples, 8820 * 5, 8820));
    // The buffer that reaches the gap ends there.
    EXPECT_EQ(Requeue(b[1]), Slice(samples, 8820 * 6, 4410));
    EXPECT_EQ(b[1]->dwFlags & WHDR_GAP, 0u);
    ASSERT_EQ(script::FeedInput(samples.data() + 8820 * 7 + 4410, 8820 + 4410), 8820u + 4410);
    EXPECT_EQ(Requeue(b[2]), Slice(samples, 8820 * 7 + 4410, 8820));
    EXPECT_EQ(b[2]->dwFlags & WHDR_GAP, WHDR_GAP);
    EXPECT_EQ(b[2]->reserved, 8820u);
    EXPECT_EQ(Requeue(b[3]), std::vector<std::uint8_t>{});
    ASSERT_EQ(waveInStop(in), MMSYSERR_NOERROR);
    ASSERT_EQ(Take(MM_WIM_DATA).size(), 1u);
    EXPECT_EQ(Bytes(b[3]->lpData, b[3]->dwBytesRecorded), Slice(samples, 8820 * 8 + 4410, 4410));
    EXPECT_EQ(b[3]->dwFlags & WHDR_GAP, 0u);
    // Queued again, a header carries no old gap.
    EXPECT_EQ(waveInAddBuffer(in, b[2], sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    EXPECT_EQ(b[2]->dwFlags & WHDR_GAP, 0u);
}
