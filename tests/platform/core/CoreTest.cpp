#include <gtest/gtest.h>

#include <cstring>

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
