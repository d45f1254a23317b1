// Recordings in formats whose block is larger than a chunk's tail: every chunk
// written while the format is in force keeps its exact size.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "files/WaveFile.h"
#include "platform/kernel/Clock.h"
#include "tests/files/WaveTestUtil.h"
#include "tests/support/TestSupport.h"

namespace {
struct ImaFormat {
    WAVEFORMATEX wf;
    WORD samplesPerBlock;
};
static_assert(sizeof(ImaFormat) == 20);

ImaFormat Ima()
{
    ImaFormat f{};
    f.wf.wFormatTag = WAVE_FORMAT_IMA_ADPCM;
    f.wf.nChannels = 1;
    f.wf.nSamplesPerSec = 22050;
    f.wf.nBlockAlign = 512;
    f.wf.nAvgBytesPerSec = 22050 * 512 / 1017;
    f.wf.wBitsPerSample = 4;
    f.wf.cbSize = 2;
    f.samplesPerBlock = 1017;
    return f;
}

class Formats : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override { platform::UseManualClock(1700000000); }
    void TearDown() override { platform::UseSystemClock(); }
    testsupport::TempDir dir;
};

std::vector<std::uint8_t> FormatBytes(int which)
{
    if (which == 2) {
        const ImaFormat f = Ima();
        const auto* p = reinterpret_cast<const std::uint8_t*>(&f);
        return {p, p + sizeof f};
    }
    const WAVEFORMATEX f = which == 0 ? Pcm(2, 44100, 16) : Pcm(2, 48000, 24);
    const auto* p = reinterpret_cast<const std::uint8_t*>(&f);
    return {p, p + sizeof f};
}
}

TEST_P(Formats, ReopenKeepsFormatListsAndSignature)
{
    const int which = GetParam();
    const auto fmtBytes = FormatBytes(which);
    const auto* fmt = reinterpret_cast<const WAVEFORMATEX*>(fmtBytes.data());
    const std::string path = dir.file("f" + std::to_string(which) + ".wav");
    const std::size_t blocks = 40;
    // IMA blocks of silence (a valid header, zero nibbles) or any PCM bytes.
    const auto audio = which == 2 ? std::vector<std::uint8_t>(blocks * 512, 0) : Pattern(fmt->nBlockAlign * 4410u);
    std::string text;
    {
        WaveFile w(path.c_str(), fmt, MMIO_READWRITE);
        ASSERT_TRUE(w.open());
        w.AddMarker(0, 1700000000);
        w.Write(audio.data(), static_cast<LONG>(audio.size() / 2));
        w.AddMarker(static_cast<DWORD>(audio.size() / 2), 1700000001);
        w.Write(audio.data() + audio.size() / 2, static_cast<LONG>(audio.size() - audio.size() / 2));
        w.AddComment("a comment of odd length", 0, static_cast<DWORD>(audio.size() / 2));
        if (which == 2) {
            w.AddSampleCount(static_cast<DWORD>(blocks * 1017));
        }
        ASSERT_TRUE(w.update());
        char* t = w.GetInfo("fennwicke timecode");
        ASSERT_NE(t, nullptr);
        text = t;
        delete[] t;
        ASSERT_TRUE(w.close());
    }
    const auto b = testsupport::ReadAll(path);
    EXPECT_EQ(ChunkOrder(b), "fmt ,fact,data,DISP");
    const auto chunks = RiffChunks(b);
    EXPECT_EQ(FindChunk(chunks, "fmt ")->size, fmtBytes.size());
    EXPECT_EQ(FindChunk(chunks, "fact")->size, 4u);
    EXPECT_EQ(FindChunk(chunks, "DISP")->size, 4 + text.size() + 1);
    ASSERT_NE(text.find("SIGNATURE "), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");

    WaveFile r(path.c_str(), nullptr, MMIO_READ);
    ASSERT_TRUE(r.open());
    EXPECT_EQ(std::memcmp(r.GetFormat(), fmtBytes.data(), fmtBytes.size()), 0);
    EXPECT_EQ(r.GetDataSize(), audio.size());
    ASSERT_EQ(r.GetMarkerCount(), 2);
    EXPECT_EQ(r.GetMarkerTime(1), 1700000001);
    ASSERT_EQ(r.GetCommentCount(), 1);
    EXPECT_STREQ(r.GetCommentTextAt(0), "a comment of odd length");
    EXPECT_FALSE(r.VerifySignature());
    if (which == 2) {
        EXPECT_EQ(r.GetFactCount(), blocks * 1017);
    }

    if (testsupport::HaveTool("soxi")) {
        int status = -1;
        const std::string samples = testsupport::RunCapture("soxi -s '" + path + "' 2>&1", &status);
        EXPECT_EQ(status, 0) << samples;
        const std::size_t expect = which == 2 ? blocks * 1017 : audio.size() / fmt->nBlockAlign;
        EXPECT_EQ(std::stoul(samples), expect);
    }
    if (testsupport::HaveTool("sndfile-info")) {
        const std::string out = testsupport::RunCapture("sndfile-info '" + path + "' 2>&1");
        EXPECT_NE(out.find("Sample Rate : " + std::to_string(fmt->nSamplesPerSec)), std::string::npos) << out;
        EXPECT_EQ(out.find("Error"), std::string::npos) << out;
    }
    testsupport::SaveSeed("wavefile", path);
}

INSTANTIATE_TEST_SUITE_P(WaveFormats, Formats, ::testing::Values(0, 1, 2),
                         [](const auto& info) {
                             return std::string(info.param == 0 ? "Pcm16Stereo" : info.param == 1 ? "Pcm24Stereo" : "ImaAdpcm");
                         });
