// ID3v1 fields are cut to their width without touching their neighbours; a record counts only with its marker.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "files/Id3v1Record.h"

TEST(Id3v1Record, FieldsAreCutToWidthAndNeighboursKept)
{
    Id3v1Record r;
    EXPECT_TRUE(r.HasTag());
    ASSERT_TRUE(r.SetField("artist", "Someone"));
    const std::string thirty(30, 'T');
    ASSERT_TRUE(r.SetField("TITLE", (thirty + "overflow").c_str()));
    std::string out;
    ASSERT_TRUE(r.GetField("title", out));
    EXPECT_EQ(out, thirty);  // full width, no terminator
    ASSERT_TRUE(r.GetField("artist", out));
    EXPECT_EQ(out, "Someone");
    ASSERT_TRUE(r.SetField("year", "20261"));
    ASSERT_TRUE(r.GetField("Year", out));
    EXPECT_EQ(out, "2026");
    EXPECT_EQ(r.Bytes()[97], 0);
    EXPECT_FALSE(r.SetField("genre", "x"));
    EXPECT_EQ(r.Bytes()[127], 255);  // no genre, rather than genre 0
    EXPECT_FALSE(r.GetField("software", out));

    // A shorter text gets one NUL; the rest of the field keeps its bytes.
    ASSERT_TRUE(r.SetField("title", "ab"));
    EXPECT_EQ(r.Bytes()[3 + 2], 0);
    EXPECT_EQ(r.Bytes()[3 + 3], 'T');
}

TEST(Id3v1Record, AssignChecksTheMarker)
{
    BYTE raw[128] = {};
    std::memcpy(raw, "TAG", 3);
    std::memcpy(raw + 3, "Song", 4);
    Id3v1Record r;
    EXPECT_TRUE(r.Assign(raw));
    std::string out;
    r.GetField("title", out);
    EXPECT_EQ(out, "Song");
    raw[0] = 'X';
    EXPECT_FALSE(r.Assign(raw));
    r.Reset();
    EXPECT_TRUE(r.HasTag());
    EXPECT_EQ(r.Bytes()[127], 255);
    r.GetField("title", out);
    EXPECT_EQ(out, "");
}
