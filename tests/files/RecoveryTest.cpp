// Recordings that were interrupted, grew past the header sizes, or near 4 GiB.
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "files/FileNames.h"
#include "files/WaveFile.h"
#include "platform/acm/CodecFormats.h"
#include "platform/kernel/Clock.h"
#include "tests/files/ChildProcess.h"
#include "tests/files/WaveTestUtil.h"
#include "tests/support/TestSupport.h"

namespace {
class Recovery : public ::testing::Test {
protected:
    void SetUp() override { platform::UseManualClock(1700000000); }
    void TearDown() override { platform::UseSystemClock(); }
    testsupport::TempDir dir;
};

std::string SoxiSamples(const std::string& path)
{
    std::string out = testsupport::RunCapture("soxi -s '" + path + "' 2>/dev/null");
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) {
        out.pop_back();
    }
    return out;
}
}

TEST_F(Recovery, KilledRecordingKeepsItsAudioAndJournalledMarkers)
{
    const std::string path = dir.file("crash.wav");
    const WAVEFORMATEX f = Pcm(1, 8000, 16);
    const auto audio = Pattern(48000);
    childtest::RunAndKill([&] {
        // Never destroyed: the process dies with the file open.
        auto* w = new WaveFile(path.c_str(), &f, MMIO_READWRITE);
        w->open();
        w->AddMarker(0, 1700000000);
        w->Write(audio.data(), 16000);
        w->AddMarker(8000, 1700000002);
        w->update();  // the header, text and journal of the first burst
        w->Write(audio.data() + 16000, 32000);
        w->AddMarker(32000, 1700000004);  // journalled as it is added
    });
    ASSERT_TRUE(FileExists(dir.file("crash.~av").c_str()));
    testsupport::SaveSeed("wavefile", path);
    {
        WaveFile r(path.c_str(), nullptr, MMIO_READWRITE);
        ASSERT_TRUE(r.open());
        EXPECT_EQ(r.GetDataSize(), 48000u);
        ASSERT_EQ(r.GetMarkerCount(), 3);
        EXPECT_EQ(r.GetMarkerPosition(1), 8000u);
        EXPECT_EQ(r.GetMarkerTime(1), 1700000002);
        EXPECT_EQ(r.GetMarkerPosition(2), 32000u);
        EXPECT_EQ(r.GetMarkerTime(2), 1700000004);
        EXPECT_TRUE(r.IsDirty());
        std::vector<std::uint8_t> back(48000);
        r.position(0);
        ASSERT_EQ(r.Read(back.data(), 48000), 48000);
        EXPECT_EQ(back, audio);
        ASSERT_TRUE(r.update());
    }
    const auto b = testsupport::ReadAll(path);
    EXPECT_EQ(ChunkOrder(b), "fmt ,fact,data,DISP");
    EXPECT_FALSE(FileExists(dir.file("crash.~av").c_str()));
    if (testsupport::HaveTool("soxi")) {
        EXPECT_EQ(SoxiSamples(path), "24000");
    }
    // Reopened once more, it is an ordinary recording again.
    WaveFile again(path.c_str(), nullptr, MMIO_READ);
    ASSERT_TRUE(again.open());
    EXPECT_EQ(again.GetDataSize(), 48000u);
    EXPECT_EQ(again.GetMarkerCount(), 3);
}

TEST_F(Recovery, KilledBeforeTheFirstUpdateKeepsTheAudio)
{
    const std::string path = dir.file("early.wav");
    const WAVEFORMATEX f = Pcm(2, 8000, 16);
    const auto audio = Pattern(4002);  // not a whole block: the odd bytes are dropped
    childtest::RunAndKill([&] {
        auto* w = new WaveFile(path.c_str(), &f, MMIO_READWRITE);
        w->open();
        w->Write(audio.data(), 4002);
    });
    {
        WaveFile r(path.c_str(), nullptr, MMIO_READWRITE);
        ASSERT_TRUE(r.open());
        EXPECT_EQ(r.GetDataSize(), 4000u);
        ASSERT_TRUE(r.close());
    }
    if (testsupport::HaveTool("soxi")) {
        EXPECT_EQ(SoxiSamples(path), "1000");
    }
}

TEST_F(Recovery, BytesAfterTheRiffFormWithoutEvidenceAreNotAudio)
{
    const std::string path = dir.file("tail.wav");
    const WAVEFORMATEX f = Pcm(1, 8000, 8);
    const auto audio = Pattern(1000);
    {
        WaveFile w(path.c_str(), &f, MMIO_READWRITE);
        ASSERT_TRUE(w.open());
        w.Write(audio.data(), 1000);
        w.AddMarker(0, 5);
        ASSERT_TRUE(w.close());
    }
    auto b = testsupport::ReadAll(path);
    b.insert(b.end(), 500, 0x55);  // old bytes left behind by a cut
    testsupport::WriteAll(path, b);
    {
        WaveFile r(path.c_str(), nullptr, MMIO_READWRITE);
        ASSERT_TRUE(r.open());
        EXPECT_EQ(r.GetDataSize(), 1000u);
        EXPECT_FALSE(r.IsDirty());
        EXPECT_EQ(r.GetMarkerCount(), 1);
    }
    EXPECT_EQ(testsupport::ReadAll(path), b);
}

TEST_F(Recovery, HeaderSizesAreRefreshedWhileRecording)
{
    TAPVOX_REQUIRE_TOOL("soxi");
    const std::string path = dir.file("long.wav");
    const WAVEFORMATEX f = Pcm(1, 8000, 8);
    const auto buffer = Pattern(1600);  // 200 ms
    WaveFile w(path.c_str(), &f, MMIO_READWRITE);
    ASSERT_TRUE(w.open());
    w.AddMarker(0, 1700000000);
    for (int i = 0; i < 599; ++i) {
        ASSERT_EQ(w.Write(buffer.data(), 1600), 1600);
    }
    EXPECT_EQ(SoxiSamples(path), "0");
    ASSERT_EQ(w.Write(buffer.data(), 1600), 1600);  // the 600th write
    // Another reader now sees two minutes of audio and the journal is on disk.
    EXPECT_EQ(SoxiSamples(path), "960000");
    EXPECT_TRUE(FileExists(dir.file("long.~av").c_str()));
    EXPECT_EQ(w.GetPosition(), 960000u);
    w.Write(buffer.data(), 1600);
    EXPECT_EQ(SoxiSamples(path), "960000");
    ASSERT_TRUE(w.close());
    EXPECT_EQ(SoxiSamples(path), "961600");
    const auto b = testsupport::ReadAll(path);
    EXPECT_EQ(ChunkOrder(b), "fmt ,fact,data,DISP");
}

TEST_F(Recovery, WritesStopBelowTheFourGigabyteLimit)
{
    const std::string path = dir.file("big.wav");
    const WAVEFORMATEX f = Pcm(2, 44100, 16);
    const auto audio = Pattern(4000);
    {
        WaveFile w(path.c_str(), &f, MMIO_READWRITE);
        ASSERT_TRUE(w.open());
        w.Write(audio.data(), 4000);
        ASSERT_TRUE(w.close());
    }
    // Grow the audio (sparse) to just below the limit and drop the text chunk.
    auto b = testsupport::ReadAll(path);
    const RawChunk data = *FindChunk(RiffChunks(b), "data");
    const std::uint64_t limit = 0xFFFFFFFFull - RiffFile::kTrailerReserve;
    std::uint64_t size = limit - (data.dataOffset - 8) - 1000;
    size -= size % 4;
    platform::StoreLe32(&b[4], static_cast<std::uint32_t>(data.dataOffset + size - 8));
    platform::StoreLe32(&b[data.dataOffset - 4], static_cast<std::uint32_t>(size));
    b.resize(data.dataOffset + 4000);
    testsupport::WriteAll(path, b);
    ASSERT_EQ(truncate(path.c_str(), static_cast<off_t>(data.dataOffset + size)), 0);
    {
        WaveFile w(path.c_str(), nullptr, MMIO_READWRITE);
        ASSERT_TRUE(w.open());
        ASSERT_EQ(w.GetDataSize(), size);
        EXPECT_EQ(w.Write(audio.data(), 4000), -1);  // would pass the limit: nothing written
        EXPECT_EQ(w.GetDataSize(), size);
        EXPECT_EQ(w.Write(audio.data(), 400), 400);
        w.AddMarker(0, 5);
        ASSERT_TRUE(w.close());
    }
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_LE(std::uint64_t(st.st_size), 0xFFFFFFFFull + 8);
    WaveFile r(path.c_str(), nullptr, MMIO_READ);
    ASSERT_TRUE(r.open());
    EXPECT_EQ(r.GetDataSize(), size + 400);
    EXPECT_EQ(r.GetMarkerCount(), 1);  // the text after the audio is intact
    if (testsupport::HaveTool("soxi")) {
        EXPECT_EQ(SoxiSamples(path), std::to_string((size + 400) / 4));
    }
}

TEST_F(Recovery, KilledInTheFirstBurstKeepsTheStartTimeAndComments)
{
    const std::string path = dir.file("first.wav");
    const WAVEFORMATEX f = Pcm(1, 8000, 16);
    const auto audio = Pattern(16000);
    childtest::RunAndKill([&] {
        auto* w = new WaveFile(path.c_str(), &f, MMIO_READWRITE);
        w->open();
        w->AddMarker(0, 1700000123);
        w->Write(audio.data(), 16000);
        w->AddComment("said at the start", 0, 4000);
    });
    {
        WaveFile r(path.c_str(), nullptr, MMIO_READWRITE);
        ASSERT_TRUE(r.open());
        EXPECT_EQ(r.GetDataSize(), 16000u);
        ASSERT_EQ(r.GetMarkerCount(), 1);
        EXPECT_EQ(r.GetMarkerTime(0), 1700000123);
        EXPECT_EQ(r.TimeAtPosition(16000), 1700000123 + 1);
        ASSERT_EQ(r.GetCommentCount(), 1);
        EXPECT_STREQ(r.GetCommentTextAt(0), "said at the start");
        ASSERT_TRUE(r.close());
    }
    EXPECT_FALSE(FileExists(dir.file("first.~av").c_str()));
}

TEST_F(Recovery, RepairOfACompressedRecordingRecountsItsSamples)
{
    // IMA ADPCM, mono 8 kHz: 256-byte blocks of 505 samples.
    IMAADPCMWAVEFORMAT ima{};
    ima.wfx = {WAVE_FORMAT_IMA_ADPCM, 1, 8000, 4055, 256, 4, 2};
    ima.wSamplesPerBlock = 505;
    const std::string path = dir.file("ima.wav");
    std::vector<std::uint8_t> block = Pattern(256);
    block[2] = 10;  // a valid step index
    block[3] = 0;
    childtest::RunAndKill([&] {
        auto* w = new WaveFile(path.c_str(), &ima.wfx, MMIO_READWRITE);
        w->open();
        for (int i = 0; i < 64; ++i) {
            w->Write(block.data(), 256);
            w->AddSampleCount(505);
        }
        w->update();  // 4.04 s counted in the fact chunk
        for (int i = 0; i < 10; ++i) {
            w->Write(block.data(), 256);
            w->AddSampleCount(505);
        }
    });
    {
        WaveFile r(path.c_str(), nullptr, MMIO_READWRITE);
        ASSERT_TRUE(r.open());
        EXPECT_EQ(r.GetDataSize(), 74u * 256);
        ASSERT_TRUE(r.close());
    }
    const auto b = testsupport::ReadAll(path);
    const auto chunks = RiffChunks(b);
    const RawChunk* fact = FindChunk(chunks, "fact");
    ASSERT_NE(fact, nullptr);
    EXPECT_EQ(Le32(b, fact->dataOffset), 74u * 505);
    if (testsupport::HaveTool("ffprobe")) {
        // A player that trusts the fact count plays all 4.67 s.
        const std::string duration = testsupport::RunCapture(
            "ffprobe -v error -show_entries stream=duration -of default=nw=1:nk=1 '" + path + "'");
        EXPECT_NEAR(std::stod(duration), 74.0 * 505 / 8000, 0.01) << duration;
    }
}
