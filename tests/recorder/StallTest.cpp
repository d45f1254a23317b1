// Writes that block: the device goes on delivering while the window thread
// takes nothing in; afterwards every sample is in the file, and where the input
// could hold no more the loss is logged and marked.
#include <cstdlib>

#include "tests/recorder/RecorderFixture.h"

#include "files/Mp3File.h"
#include "files/OggVorbisFile.h"

namespace {
// The sample rate, and whether the loop runs once the write returns and the recording goes on
// (else the stop is what comes next).
struct Case {
    DWORD rate;
    bool recordOn;
};

class Stall : public RecorderTest {
protected:
    void TearDown() override
    {
        unsetenv("TAPVOX_INPUT_RING_MS");
        RecorderTest::TearDown();
    }
    // count buffers that the device delivers while the thread is blocked: no loop runs.
    std::vector<std::uint8_t> Blocked(int count)
    {
        std::vector<std::uint8_t> all;
        for (int n = 0; n < count; ++n) {
            std::vector<std::uint8_t> block(BufferBytes());
            for (std::uint32_t i = 0; i < FramesPerBuffer(); ++i) {
                CountedFrame(next + i, true, &block[i * 4]);
            }
            next += FramesPerBuffer();
            EXPECT_EQ(script::FeedInput(block.data(), block.size()), block.size()) << "the device keeps capturing";
            all.insert(all.end(), block.begin(), block.end());
            platform::AdvanceClock(200);
        }
        return all;
    }
};
}

class StallAt : public Stall, public ::testing::WithParamInterface<Case> {};

TEST_P(StallAt, AWriteThatBlocksThirtySecondsLosesNothing)
{
    TAPVOX_REQUIRE_TOOL("sox");
    // 16-bit stereo at the highest rate the Wave page takes is the largest format recorded.
    SampleRate = GetParam().rate;
    Open();
    ClickRecord();
    ASSERT_EQ(dialog->GetDeviceFormat().nSamplesPerSec, GetParam().rate);
    Feed(2, true);
    const auto during = Blocked(150);
    fed.insert(fed.end(), during.begin(), during.end());
    if (GetParam().recordOn) {
        hl::RunUntilIdle();
        EXPECT_EQ(dialog->GetRestartCount(), 0);
        Feed(3, true);
        EXPECT_EQ(dialog->GetRestartCount(), 0);
        EXPECT_TRUE(dialog->IsRecording());
    }
    ClickStop();
    EXPECT_EQ(SoxSamples(CurrentName()), fed);
    EXPECT_EQ(Log().find("Input lost"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Formats, StallAt,
                         ::testing::Values(Case{8000, true}, Case{8000, false}, Case{100000, true}),
                         [](const ::testing::TestParamInfo<Case>& i) {
                             return std::to_string(i.param.rate) + (i.param.recordOn ? "ThenOn" : "ThenStop");
                         });

TEST_F(Stall, AStallLongerThanTheInputHoldsIsLoggedAndMarkedAndWhatFollowsIsWhole)
{
    TAPVOX_REQUIRE_TOOL("sox");
    // The input holds one second: five buffers.
    setenv("TAPVOX_INPUT_RING_MS", "1000", 1);
    Open();
    ClickRecord();
    Feed(2, true);
    // Four queued buffers and the five the input holds are kept, three are lost.
    const auto during = Blocked(12);
    const std::size_t kept = 9 * BufferBytes();
    fed.insert(fed.end(), during.begin(), during.begin() + static_cast<std::ptrdiff_t>(kept));
    const std::size_t gapAt = fed.size();
    hl::RunUntilIdle();
    Feed(3, true);
    ClickStop();
    EXPECT_EQ(dialog->GetRestartCount(), 0);
    EXPECT_EQ(SoxSamples(CurrentName()), fed);
    const std::string log = Log();
    EXPECT_NE(log.find("Input lost: 0.600 s of audio from "), std::string::npos) << log;
    // A marker at the gap, with the time the audio after it was heard (2.8 s to 3 s in).
    auto f = ReadWave(CurrentName());
    ASSERT_EQ(f->GetMarkerCount(), 2);
    EXPECT_EQ(f->GetMarkerPosition(0), 0u);
    EXPECT_EQ(f->GetMarkerPosition(1), gapAt);
    EXPECT_GE(f->GetMarkerTime(1), kStartTime + 2);
    EXPECT_LE(f->GetMarkerTime(1), kStartTime + 3);
}

// The file type: 1 MP3, 3 Ogg Vorbis.
class StallEncoded : public Stall, public ::testing::WithParamInterface<int> {};

// MP3 through the compression manager, Ogg Vorbis through its own encoder: the gap's
// marker lands where the audio after it does.
TEST_P(StallEncoded, AGapIsMarkedWhereTheAudioAfterItLands)
{
    const int type = GetParam();
    DefaultAudioFormat = type;
    Mp3Stereo = false;
    Mp3SampleRate = 16000;
    setenv("TAPVOX_INPUT_RING_MS", "1000", 1);
    Open();
    ClickRecord();
    Feed(2, true);
    Blocked(12);
    hl::RunUntilIdle();
    Feed(5, true);
    ClickStop();
    const std::string name = CurrentName();
    ASSERT_TRUE(dialog->savefile(nullptr, true));
    EXPECT_NE(Log().find("Input lost: 0.600 s of audio from "), std::string::npos) << Log();
    std::unique_ptr<RecFile> f;
    if (type == 3) {
        f = std::make_unique<OggVorbisFile>(name.c_str(), nullptr, VorQ, MMIO_READ);
    } else {
        f = std::make_unique<Mp3File>(name.c_str(), nullptr, MMIO_READ);
    }
    ASSERT_TRUE(f->open()) << name;
    ASSERT_EQ(f->GetMarkerCount(), 2) << name;
    if (type == 3) {
        EXPECT_EQ(f->GetMarkerPosition(1), 11 * FramesPerBuffer());
        EXPECT_EQ(f->GetLength(), 16 * FramesPerBuffer());
    } else {
        // Encoded bytes: eleven of the sixteen buffers come before it.
        EXPECT_GT(f->GetMarkerPosition(1), f->GetLength() / 2);
        EXPECT_LT(f->GetMarkerPosition(1), f->GetLength());
    }
    EXPECT_GE(f->GetMarkerTime(1), kStartTime + 2);
    EXPECT_LE(f->GetMarkerTime(1), kStartTime + 3);
}

INSTANTIATE_TEST_SUITE_P(Mp3AndOgg, StallEncoded, ::testing::Values(1, 3),
                         [](const ::testing::TestParamInfo<int>& i) { return std::string(i.param == 3 ? "Ogg" : "Mp3"); });
