// Core helpers: comparison without case, bounded copies, both separators, the wave format record, byte order.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/core/Bytes.h"
#include "platform/core/Path.h"
#include "platform/core/Strings.h"
#include "platform/core/WaveFormat.h"

TEST(Strings, CompareIgnoresCaseAndOrdersLikeLstrcmpi)
{
    EXPECT_EQ(lstrcmpiA("Fennwicke Timecode", "fennwicke timecode"), 0);
    EXPECT_LT(lstrcmpiA("abc", "abd"), 0);
    EXPECT_GT(lstrcmpiA("abcd", "ABC"), 0);
    EXPECT_TRUE(EqualsNoCase("OGA", "oga"));
    EXPECT_FALSE(EqualsNoCase("ogg", "oga"));
}

TEST(Strings, BoundedCopyAlwaysTerminates)
{
    char buf[4];
    platform::CopyBounded(buf, sizeof buf, "abcdef");
    EXPECT_STREQ(buf, "abc");
}

TEST(Path, BothSeparatorsSplitAndJoinUsesSlash)
{
    EXPECT_EQ(platform::FileNamePart("C:\\a\\b.wav"), "b.wav");
    EXPECT_EQ(platform::FileNamePart("/x/y/z.mp3"), "z.mp3");
    EXPECT_EQ(platform::FileNamePart("plain"), "plain");
    EXPECT_EQ(platform::FolderPart("/x\\y/z.mp3"), "/x\\y/");
    EXPECT_EQ(platform::JoinPath("/x\\y", "z"), "/x/y/z");
    EXPECT_EQ(platform::JoinPath("/x/", "z"), "/x/z");
}

TEST(WaveFormat, RecordIsEighteenLittleEndianBytes)
{
    WAVEFORMATEX f{WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 0};
    unsigned char bytes[18];
    std::memcpy(bytes, &f, sizeof bytes);
    const unsigned char expected[18] = {1, 0, 2, 0, 0x44, 0xAC, 0, 0, 0x10, 0xB1, 2, 0, 4, 0, 16, 0, 0, 0};
    EXPECT_EQ(std::memcmp(bytes, expected, sizeof bytes), 0);
}

TEST(Bytes, LittleEndianLoadsAndStores)
{
    const std::uint8_t in[8] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x88};
    EXPECT_EQ(platform::LoadLe16(in), 0x0201u);
    EXPECT_EQ(platform::LoadLe16(in + 6), 0x8807u);
    EXPECT_EQ(platform::LoadLe32(in), 0x04030201u);
    EXPECT_EQ(platform::LoadLe32(in + 4), 0x88070605u);  // the top bit stays unsigned
    EXPECT_EQ(platform::LoadLe64(in), 0x8807060504030201ull);

    std::uint8_t out[8] = {};
    platform::StoreLe16(out, 0xA1B2);
    platform::StoreLe32(out + 2, 0xC1D2E3F4);
    EXPECT_EQ(std::memcmp(out, "\xB2\xA1\xF4\xE3\xD2\xC1\0\0", 8), 0);
    platform::StoreLe64(out, 0x0102030405060708ull);
    EXPECT_EQ(std::memcmp(out, "\x08\x07\x06\x05\x04\x03\x02\x01", 8), 0);
}
