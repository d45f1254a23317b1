// Frame headers: lengths for every version and layer, rejected fields, and walks of other encoders' files.
#include <gtest/gtest.h>

#include <vector>

#include "files/Mp3Scanner.h"
#include "files/MpegFrameHeader.h"
#include "tests/support/TestSupport.h"

namespace {
// b1 for a version (3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5) and layer (1..3).
std::vector<BYTE> Header(unsigned version, unsigned layer, unsigned rateIndex, unsigned srIndex, bool pad,
                         unsigned mode = 0)
{
    const unsigned layerBits = 4 - layer;
    const BYTE b1 = static_cast<BYTE>(0xE0 | (version << 3) | (layerBits << 1) | 1);
    const BYTE b2 = static_cast<BYTE>((rateIndex << 4) | (srIndex << 2) | (pad ? 2 : 0));
    return {0xFF, b1, b2, static_cast<BYTE>(mode << 6)};
}

MpegFrameHeader Parse(const std::vector<BYTE>& b)
{
    MpegFrameHeader h;
    EXPECT_TRUE(ParseMpegFrameHeader(b.data(), h));
    return h;
}

bool Rejects(const std::vector<BYTE>& b)
{
    MpegFrameHeader h;
    return !ParseMpegFrameHeader(b.data(), h);
}
}

TEST(MpegFrameHeader, StandardLengthForEveryVersionAndLayer)
{
    // MPEG-1 Layer III 128 kbit/s at 44.1 kHz: 417, 418 with padding.
    EXPECT_EQ(Parse(Header(3, 3, 9, 0, false)).frameLength, 417u);
    EXPECT_EQ(Parse(Header(3, 3, 9, 0, true)).frameLength, 418u);
    // MPEG-1 Layer II 192 kbit/s at 48 kHz: 144 x 192000 / 48000 = 576.
    EXPECT_EQ(Parse(Header(3, 2, 10, 1, false)).frameLength, 576u);
    // MPEG-2 Layer III 64 kbit/s at 22.05 kHz is half the MPEG-1 rule: 208.
    const MpegFrameHeader m2 = Parse(Header(2, 3, 8, 0, false));
    EXPECT_EQ(m2.sampleRate, 22050u);
    EXPECT_EQ(m2.bitrate, 64000u);
    EXPECT_EQ(m2.frameLength, 208u);
    EXPECT_EQ(m2.samplesPerFrame, 576u);
    // MPEG-2.5 Layer III 32 kbit/s at 11.025 kHz with padding: 72 x 32000 / 11025 + 1 = 209.
    EXPECT_EQ(Parse(Header(0, 3, 4, 0, true)).frameLength, 209u);
    // MPEG-2 Layer II keeps 144 x.
    EXPECT_EQ(Parse(Header(2, 2, 8, 0, false)).frameLength, 417u);
    // Layer I counts 4-byte slots: (12 x 32000 / 44100 + 1) x 4 = 36.
    EXPECT_EQ(Parse(Header(3, 1, 1, 0, true)).frameLength, 36u);
    EXPECT_EQ(Parse(Header(3, 1, 1, 0, true)).samplesPerFrame, 384u);
    // MPEG-2 Layer I 256 kbit/s at 24 kHz: 12 x 256000 / 24000 = 128 slots.
    EXPECT_EQ(Parse(Header(2, 1, 14, 1, false)).frameLength, 512u);
}

TEST(MpegFrameHeader, RatesChannelsAndRejectedFields)
{
    EXPECT_EQ(Parse(Header(0, 3, 4, 1, false)).sampleRate, 12000u);  // MPEG-2.5 index 1
    EXPECT_EQ(Parse(Header(0, 3, 4, 2, false)).sampleRate, 8000u);
    EXPECT_EQ(Parse(Header(3, 3, 9, 2, false)).sampleRate, 32000u);
    EXPECT_EQ(Parse(Header(3, 3, 9, 0, false, 3)).channels, 1);
    EXPECT_EQ(Parse(Header(3, 3, 9, 0, false, 1)).channels, 2);
    EXPECT_TRUE(Rejects(Header(3, 3, 0, 0, false)));   // free format
    EXPECT_TRUE(Rejects(Header(3, 3, 15, 0, false)));  // bad bitrate index
    EXPECT_TRUE(Rejects(Header(3, 3, 9, 3, false)));   // reserved rate
    EXPECT_TRUE(Rejects(Header(1, 3, 9, 0, false)));   // reserved version
    std::vector<BYTE> noLayer = Header(3, 3, 9, 0, false);
    noLayer[1] &= ~0x06;
    EXPECT_TRUE(Rejects(noLayer));
    EXPECT_TRUE(Rejects({0xFF, 0xC0, 0x90, 0x00}));  // no sync
}

// Walking an MPEG-2 file made by another encoder frame by frame lands on a
// header every time; with the MPEG-1 length it would fall inside the frames.
TEST(MpegFrameHeader, WalksEveryFrameOfLowRateFiles)
{
    TAPVOX_REQUIRE_TOOL("sox");
    testsupport::TempDir dir;
    for (const char* rate : {"22050", "11025", "44100"}) {
        const std::string path = dir.file(std::string("walk") + rate + ".mp3");
        int status = 0;
        testsupport::RunCapture(std::string("sox -n -r ") + rate + " -c 1 " + path + " synth 3 sine 440 2>&1", &status);
        ASSERT_EQ(status, 0);
        const std::vector<std::uint8_t> bytes = testsupport::ReadAll(path);
        Mp3MemoryStream stream(bytes);
        Mp3SkipId3v2(stream);
        MpegFrameHeader first;
        ASSERT_TRUE(Mp3SearchFrames(stream, [&] { return Mp3ReadFrameAtSync(stream, true, first); })) << rate;
        std::size_t off = static_cast<std::size_t>(stream.Tell());
        int frames = 0;
        while (off + 4 <= bytes.size()) {
            MpegFrameHeader h;
            if (!ParseMpegFrameHeader(&bytes[off], h)) {
                break;
            }
            off += h.frameLength;
            ++frames;
        }
        // Only an ID3v1 record (or nothing) may follow the last frame.
        EXPECT_TRUE(off == bytes.size() || off + 128 == bytes.size()) << rate << " stopped at " << off;
        EXPECT_GT(frames, 20) << rate;
        testsupport::SaveSeed("mp3_scanner", path);
    }
}
