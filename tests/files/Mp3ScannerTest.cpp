// The frame search: behind an ID3v2 tag, past a false sync, across read blocks, and failing on bad input.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "files/Mp3Scanner.h"

namespace {
// MPEG-1 Layer III, 128 kbit/s, 44.1 kHz, stereo: 417-byte frames.
std::vector<std::uint8_t> Frames(int count)
{
    std::vector<std::uint8_t> out;
    for (int i = 0; i < count; ++i) {
        std::vector<std::uint8_t> f(417, 0x11);
        f[0] = 0xFF;
        f[1] = 0xFB;
        f[2] = 0x90;
        f[3] = 0x00;
        out.insert(out.end(), f.begin(), f.end());
    }
    return out;
}

std::vector<std::uint8_t> Id3v2(std::uint32_t size, std::uint8_t version = 3)
{
    std::vector<std::uint8_t> tag = {'I', 'D', '3', version, 0, 0,
                                     static_cast<std::uint8_t>((size >> 21) & 0x7F),
                                     static_cast<std::uint8_t>((size >> 14) & 0x7F),
                                     static_cast<std::uint8_t>((size >> 7) & 0x7F),
                                     static_cast<std::uint8_t>(size & 0x7F)};
    tag.resize(10 + size, 0);
    return tag;
}

bool Locate(Mp3MemoryStream& s, MpegFrameHeader& h)
{
    Mp3SkipId3v2(s);
    return Mp3SearchFrames(s, [&] { return Mp3ReadFrameAtSync(s, true, h); });
}
}

TEST(Mp3Scanner, FindsFramesBehindAnId3v2Tag)
{
    std::vector<std::uint8_t> bytes = Id3v2(300);
    bytes.insert(bytes.end(), 5, 0x00);  // stray bytes between tag and audio
    const auto frames = Frames(4);
    bytes.insert(bytes.end(), frames.begin(), frames.end());
    Mp3MemoryStream s(bytes);
    MpegFrameHeader h;
    ASSERT_TRUE(Locate(s, h));
    EXPECT_EQ(s.Tell(), 315);
    EXPECT_EQ(h.frameLength, 417u);
    EXPECT_EQ(h.channels, 2);
}

TEST(Mp3Scanner, SkipsAFalseSyncWhoseSuccessorIsMissing)
{
    // A sync-like pair in front of the audio is not taken: the frame it would
    // describe is not followed by another one. The failed try stands on the
    // real first frame and moves on 7 bytes, so the second frame is found.
    std::vector<std::uint8_t> bytes = {0x00, 0xFF, 0xFB, 0x90, 0x00, 0x01, 0x02};
    bytes.resize(600, 0x22);
    const auto frames = Frames(3);
    bytes.insert(bytes.end(), frames.begin(), frames.end());
    Mp3MemoryStream s(bytes);
    MpegFrameHeader h;
    ASSERT_TRUE(Locate(s, h));
    EXPECT_EQ(s.Tell(), 600 + 417);
}

TEST(Mp3Scanner, SyncAcrossTheReadBlockBoundary)
{
    std::vector<std::uint8_t> bytes(4095, 0x00);
    bytes.push_back(0xFF);
    bytes.push_back(0xE3);
    Mp3MemoryStream s(bytes);
    EXPECT_EQ(Mp3FindSync(s), 4095);
    EXPECT_EQ(s.Tell(), 4095);
    Mp3MemoryStream none(std::vector<std::uint8_t>(10, 0x7F));
    EXPECT_EQ(Mp3FindSync(none), -1);
}

TEST(Mp3Scanner, BadInputFailsWithoutHanging)
{
    MpegFrameHeader h;
    // Headers that all fail: bitrate index 15 everywhere.
    std::vector<std::uint8_t> broken;
    for (int i = 0; i < 2000; ++i) {
        broken.insert(broken.end(), {0xFF, 0xFB, 0xF0, 0x00});
    }
    Mp3MemoryStream s1(broken);
    EXPECT_FALSE(Locate(s1, h));

    // An ID3v2 size pointing past the end.
    std::vector<std::uint8_t> past = Id3v2(0);
    past[6] = 0x7F;
    const auto frames = Frames(2);
    past.insert(past.end(), frames.begin(), frames.end());
    Mp3MemoryStream s2(past);
    EXPECT_FALSE(Locate(s2, h));

    // An invalid size byte: the tag header is not skipped, the scan goes on behind it.
    std::vector<std::uint8_t> badSize = Id3v2(0);
    badSize[7] = 0x80;
    badSize.insert(badSize.end(), frames.begin(), frames.end());
    Mp3MemoryStream s3(badSize);
    EXPECT_FALSE(Mp3SkipId3v2(s3));
    EXPECT_EQ(s3.Tell(), 10);

    // Too short for a tag header: back at 0.
    Mp3MemoryStream s4(std::vector<std::uint8_t>{'I', 'D', '3'});
    EXPECT_FALSE(Mp3SkipId3v2(s4));
    EXPECT_EQ(s4.Tell(), 0);

    // A single frame at the very end passes the successor check (end of file).
    Mp3MemoryStream s5(Frames(1));
    EXPECT_TRUE(Locate(s5, h));
}
