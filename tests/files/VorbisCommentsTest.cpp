// The comment list: names upper-cased, lookups without case, order kept, loads split at the first '='.
#include <gtest/gtest.h>

#include <string>

#include <vorbis/codec.h>

#include "files/VorbisComments.h"

TEST(VorbisComments, NamesUpperCasedLookupsIgnoreCase)
{
    VorbisComments c;
    c.Add("title", "First");
    EXPECT_STREQ(c.NameAt(0), "TITLE");
    EXPECT_STREQ(c.Get("TITLE"), "First");
    EXPECT_STREQ(c.Get("TiTlE"), "First");
    c.Add("Title", "Second");
    EXPECT_STREQ(c.Get("title"), "Second");  // the last match
    c.Remove("title");                        // the first match goes
    ASSERT_EQ(c.Count(), 1);
    EXPECT_STREQ(c.Get("title"), "Second");
    c.Add("fennwicke timecode", "text");
    c.Remove("fennwicke timecode");
    EXPECT_EQ(c.Get("FENNWICKE TIMECODE"), nullptr);
    EXPECT_EQ(c.Get(nullptr), nullptr);
}

TEST(VorbisComments, IndexOperationsKeepOrder)
{
    VorbisComments c;
    for (int i = 0; i < 9; ++i) {
        c.Add(std::string("N").append(std::to_string(i)).c_str(), std::to_string(i).c_str());
    }
    ASSERT_EQ(c.Count(), 9);
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(std::string(c.ValueAt(i)), std::to_string(i));
    }
    c.Swap(0, 8);
    EXPECT_STREQ(c.NameAt(0), "N8");
    EXPECT_STREQ(c.NameAt(8), "N0");
    c.Swap(0, 9);  // out of range: nothing
    EXPECT_STREQ(c.NameAt(0), "N8");
    c.SetAt(1, "lower", "v");
    EXPECT_STREQ(c.NameAt(1), "lower");
    c.RemoveAt(1);
    c.RemoveAt(-1);
    c.RemoveAt(99);
    EXPECT_EQ(c.Count(), 8);
    EXPECT_STREQ(c.NameAt(1), "N2");
    EXPECT_EQ(c.NameAt(8), nullptr);
    EXPECT_EQ(c.ValueAt(-1), nullptr);
    c.Clear();
    EXPECT_EQ(c.Count(), 0);
}

TEST(VorbisComments, LoadSplitsAtFirstEqualsAndStoreRoundTrips)
{
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_comment_add(&vc, "artist=a=b");
    vorbis_comment_add(&vc, "no equals sign");
    vorbis_comment_add(&vc, "=empty name");
    vorbis_comment_add_tag(&vc, "fennwicke timecode", "SAMPLE TIMECODE\r\n0 1\r\n");
    VorbisComments c;
    c.Add("stale", "x");
    c.LoadFrom(&vc);
    ASSERT_EQ(c.Count(), 3);
    EXPECT_STREQ(c.NameAt(0), "ARTIST");
    EXPECT_STREQ(c.ValueAt(0), "a=b");
    EXPECT_STREQ(c.NameAt(1), "");
    EXPECT_STREQ(c.Get("Fennwicke Timecode"), "SAMPLE TIMECODE\r\n0 1\r\n");

    c.StoreTo(&vc);
    ASSERT_EQ(vc.comments, 3);
    EXPECT_EQ(std::string(vc.user_comments[0], static_cast<std::size_t>(vc.comment_lengths[0])), "ARTIST=a=b");
    vorbis_comment_clear(&vc);
}

TEST(VorbisComments, FieldNameRule)
{
    EXPECT_TRUE(IsValidCommentName("TITLE"));
    EXPECT_TRUE(IsValidCommentName("fennwicke timecode"));
    EXPECT_FALSE(IsValidCommentName(""));
    EXPECT_FALSE(IsValidCommentName(nullptr));
    EXPECT_FALSE(IsValidCommentName("A=B"));
    EXPECT_FALSE(IsValidCommentName("tab\there"));
    EXPECT_FALSE(IsValidCommentName("brace}~"));
    EXPECT_TRUE(IsNonEmptyText("x"));
    EXPECT_FALSE(IsNonEmptyText(""));
}
