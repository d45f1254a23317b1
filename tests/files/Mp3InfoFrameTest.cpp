// The information frame of an MP3 stream after an append: counts, seek table,
// LAME tag checksums, the VBRI form, and a recording killed mid-append.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "files/FileNames.h"
#include "files/Mp3File.h"
#include "files/Mp3InfoFrame.h"
#include "platform/kernel/Clock.h"
#include "tests/files/ChildProcess.h"
#include "tests/files/Mp3TestUtil.h"
#include "tests/support/TestSupport.h"

using namespace mp3test;

namespace {
constexpr double kFrame = 1152.0 / 44100;

std::uint32_t BE(const Bytes& b, std::size_t at, int n)
{
    std::uint32_t v = 0;
    for (int i = 0; i < n; ++i) {
        v = (v << 8) | b[at + static_cast<std::size_t>(i)];
    }
    return v;
}

// Frame starts from `from` to the end of the file's frames.
std::vector<std::size_t> FrameStarts(const Bytes& b, std::size_t from, std::size_t to)
{
    std::vector<std::size_t> starts;
    for (std::size_t i = from; i + 4 <= to;) {
        MpegFrameHeader h;
        if (b[i] == 0xFF && ParseMpegFrameHeader(&b[i], h) && i + h.frameLength <= to) {
            starts.push_back(i);
            i += h.frameLength;
        } else {
            ++i;
        }
    }
    return starts;
}

double MediainfoSeconds(const std::string& path)
{
    return std::atof(testsupport::RunCapture("mediainfo --Inform='Audio;%Duration%' '" + path + "'").c_str()) / 1000;
}

void AppendThreeSeconds(const std::string& path)
{
    Mp3File f(path.c_str(), nullptr, MMIO_READWRITE);
    ASSERT_TRUE(f.open());
    for (const Bytes& b : Encode(2, 44100, 128, 15)) {
        ASSERT_EQ(f.Write(b.data(), static_cast<LONG>(b.size())), static_cast<LONG>(b.size()));
    }
    ASSERT_TRUE(f.close());
}

class Mp3InfoFrameTest : public ::testing::Test {
protected:
    void SetUp() override { platform::UseManualClock(1800000000); }
    void TearDown() override { platform::UseSystemClock(); }

    // Four seconds from lame (CBR, an Info frame with a LAME tag).
    std::string LameFile(const std::string& name)
    {
        const std::string wav = dir.file(name + ".wav");
        const std::string mp3 = dir.file(name + ".mp3");
        testsupport::RunCapture("sox -n -r 44100 -c 2 -b 16 '" + wav + "' synth 4 sine 440 2>&1");
        testsupport::RunCapture("lame --quiet -b 128 '" + wav + "' '" + mp3 + "' 2>&1");
        return mp3;
    }
    testsupport::TempDir dir;
};
}

TEST_F(Mp3InfoFrameTest, CountsSeekTableAndLameChecksumsDescribeTheWholeStream)
{
    TAPVOX_REQUIRE_TOOL("lame");
    TAPVOX_REQUIRE_TOOL("sox");
    const std::string path = LameFile("info");
    const Bytes original = testsupport::ReadAll(path);
    // The checksum is LAME's own: it holds over the file as lame wrote it.
    const std::size_t lame = 36 + 120;
    ASSERT_EQ(std::string(original.begin() + 36, original.begin() + 40), "Info");
    ASSERT_EQ(BE(original, lame + 34, 2), Mp3Crc16(original.data(), lame + 34));
    ASSERT_NO_FATAL_FAILURE(AppendThreeSeconds(path));
    const Bytes after = testsupport::ReadAll(path);
    Mp3File g(path.c_str(), nullptr, MMIO_READ);
    ASSERT_TRUE(g.open());
    const std::size_t begin = g.GetDataOffset();
    const std::size_t size = g.GetDataSize();
    const std::vector<std::size_t> starts = FrameStarts(after, begin, begin + size);
    const std::size_t at = begin + 36;
    ASSERT_EQ(std::string(after.begin() + static_cast<long>(at), after.begin() + static_cast<long>(at) + 4), "Info");
    EXPECT_EQ(BE(after, at + 8, 4), starts.size() - 1);
    EXPECT_EQ(BE(after, at + 12, 4), size);
    // A constant bitrate: each hundredth of the frames a hundredth of the bytes.
    for (int i = 1; i < 100; ++i) {
        EXPECT_LE(after[at + 16 + static_cast<std::size_t>(i) - 1], after[at + 16 + static_cast<std::size_t>(i)]);
        EXPECT_NEAR(after[at + 16 + static_cast<std::size_t>(i)], 256.0 * i / 100, 2.0) << i;
    }
    const std::size_t tag = begin + lame;
    EXPECT_EQ(BE(after, tag + 28, 4), size);
    EXPECT_EQ(BE(after, tag + 32, 2), Mp3Crc16(after.data() + starts[1], size - (starts[1] - begin)));
    EXPECT_EQ(BE(after, tag + 34, 2), Mp3Crc16(after.data() + begin, lame + 34));
    // The encoder delay is the first session's, as lame wrote it; its end
    // padding lies inside the stream now, and the new end's is not known.
    EXPECT_EQ(BE(after, tag + 21, 3) >> 12, BE(original, lame + 21, 3) >> 12);
    EXPECT_NE(BE(original, lame + 21, 3) & 0xFFF, 0u);
    EXPECT_EQ(BE(after, tag + 21, 3) & 0xFFF, 0u);
}

TEST_F(Mp3InfoFrameTest, VbriCountsAndTableFollowTheAppend)
{
    // Our own frames behind a VBRI frame made here (the form Fraunhofer's
    // encoder writes; none of the installed encoders does).
    const std::vector<Bytes> first = Encode(2, 44100, 128, 10);
    Bytes stream = Joined(first);
    const std::vector<std::size_t> own = FrameStarts(stream, 0, stream.size());
    ASSERT_GT(own.size(), 20u);
    Bytes vbri(own[1] - own[0], 0);
    std::copy(stream.begin(), stream.begin() + 4, vbri.begin());
    const auto put = [&](std::size_t at, std::uint32_t v, int n) {
        for (int i = n - 1; i >= 0; --i, v >>= 8) {
            vbri[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v);
        }
    };
    std::copy_n("VBRI", 4, vbri.begin() + 36);
    put(40, 1, 2);
    put(46, static_cast<std::uint32_t>(stream.size()), 4);
    put(50, static_cast<std::uint32_t>(own.size() - 1), 4);
    put(54, 10, 2);  // ten entries
    put(56, 1, 2);   // scale
    put(58, 2, 2);   // two bytes an entry
    put(60, static_cast<std::uint32_t>((own.size() + 9) / 10), 2);
    std::copy(vbri.begin(), vbri.end(), stream.begin());
    const std::string path = dir.file("vbri.mp3");
    testsupport::WriteAll(path, stream);
    ASSERT_NO_FATAL_FAILURE(AppendThreeSeconds(path));
    const Bytes after = testsupport::ReadAll(path);
    Mp3File g(path.c_str(), nullptr, MMIO_READ);
    ASSERT_TRUE(g.open());
    const std::size_t begin = g.GetDataOffset();
    const std::vector<std::size_t> starts = FrameStarts(after, begin, begin + g.GetDataSize());
    EXPECT_EQ(BE(after, begin + 46, 4), g.GetDataSize());
    EXPECT_EQ(BE(after, begin + 50, 4), starts.size() - 1);
    std::uint32_t sum = 0;
    for (std::size_t k = 0; k < 10; ++k) {
        sum += BE(after, begin + 62 + 2 * k, 2);
    }
    EXPECT_EQ(sum + (starts[1] - starts[0]), g.GetDataSize());
    if (testsupport::HaveTool("ffprobe")) {
        const std::string d = testsupport::RunCapture(
            "ffprobe -v error -show_entries format=duration -of default=nw=1:nk=1 '" + path + "'");
        EXPECT_NEAR(std::atof(d.c_str()), (starts.size() - 1) * kFrame, kFrame);
    }
}

TEST_F(Mp3InfoFrameTest, AnAppendKilledBeforeItsSaveIsCountedAtTheNextClose)
{
    TAPVOX_REQUIRE_TOOL("lame");
    TAPVOX_REQUIRE_TOOL("sox");
    TAPVOX_REQUIRE_TOOL("mediainfo");
    const std::string path = LameFile("killed");
    const std::vector<Bytes> more = Encode(2, 44100, 128, 15);
    childtest::RunAndKill([&] {
        auto* f = new Mp3File(path.c_str(), nullptr, MMIO_READWRITE);
        f->open();
        f->AddMarker(f->GetDataSize(), 1800000100, true);
        for (std::size_t i = 0; i < more.size(); ++i) {
            f->Write(more[i].data(), static_cast<LONG>(more[i].size()));
            if (i == 4) {
                f->update();
            }
        }
    });
    const double stale = MediainfoSeconds(path);
    {
        Mp3File f(path.c_str(), nullptr, MMIO_READWRITE);
        ASSERT_TRUE(f.open());
        ASSERT_TRUE(f.close());
    }
    EXPECT_FALSE(FileExists(dir.file("killed.~p3").c_str()));
    const Bytes after = testsupport::ReadAll(path);
    Mp3File g(path.c_str(), nullptr, MMIO_READ);
    ASSERT_TRUE(g.open());
    const std::size_t frames = FrameStarts(after, g.GetDataOffset(), g.GetDataOffset() + g.GetDataSize()).size();
    EXPECT_LT(stale, (frames - 1) * kFrame - 1.0);
    EXPECT_NEAR(MediainfoSeconds(path), (frames - 1) * kFrame, kFrame);
    EXPECT_EQ(g.GetMarkerCount(), 2);
}
