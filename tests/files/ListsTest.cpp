// Markers and comments: duplicates, order, read-only refusal, pruning, lookups by time, seconds to position.
#include <gtest/gtest.h>

#include "platform/kernel/Clock.h"
#include "tests/files/MemoryRecFile.h"

namespace {
class Lists : public ::testing::Test {
protected:
    void SetUp() override { platform::UseManualClock(1700000000); }
    void TearDown() override { platform::UseSystemClock(); }
};

void Fill(MemoryRecFile& f, std::size_t n)
{
    std::vector<std::uint8_t> bytes(n, 7);
    f.Write(bytes.data(), static_cast<LONG>(n));
    f.SetDirty(false);
}
}

TEST_F(Lists, SameMarkerTwiceChangesNothingAnotherTimeReplaces)
{
    MemoryRecFile f;
    Fill(f, 4000);
    f.AddMarker(100, 5000);
    EXPECT_TRUE(f.IsDirty());
    f.SetDirty(false);
    const int count = f.GetMarkerCount();
    f.AddMarker(100, 5000);
    EXPECT_FALSE(f.IsDirty());
    EXPECT_EQ(f.GetMarkerCount(), count);
    f.AddMarker(100, 6000);
    EXPECT_EQ(f.GetMarkerCount(), count);
    EXPECT_EQ(f.GetMarkerTime(f.FindMarker(100)), 6000);
    EXPECT_TRUE(f.IsDirty());
}

TEST_F(Lists, FirstTimedMarkerLeavesEarlierAudioWithoutTime)
{
    MemoryRecFile f;
    Fill(f, 4000);
    f.AddMarker(2000, 1000000);
    ASSERT_EQ(f.GetMarkerCount(), 2);
    EXPECT_EQ(f.GetMarkerPosition(0), 0u);
    EXPECT_EQ(f.GetMarkerTime(0), 0);
    EXPECT_EQ(f.TimeAtPosition(1999), 0);
    EXPECT_EQ(f.TimeAtPosition(3000), 1000001);
    // A negative time means now.
    f.AddMarker(3000, -1);
    EXPECT_EQ(f.GetMarkerTime(2), 1700000000);
}

TEST_F(Lists, MarkersStaySortedAndRefusedWhileReadOnly)
{
    MemoryRecFile f;
    Fill(f, 4000);
    f.AddMarker(3000, 0);
    f.AddMarker(1000, 0);
    f.AddMarker(2000, 0);
    ASSERT_EQ(f.GetMarkerCount(), 3);
    EXPECT_EQ(f.GetMarkerPosition(0), 1000u);
    EXPECT_EQ(f.GetMarkerPosition(2), 3000u);
    EXPECT_EQ(f.GetMarkerPosition(3), DWORD(-1));
    EXPECT_EQ(f.GetMarkerTime(-1), 0);
    f.SetReadOnly(true);
    f.AddMarker(500, 0);
    EXPECT_EQ(f.GetMarkerCount(), 3);
    f.AddMarker(500, 0, true);
    EXPECT_EQ(f.GetMarkerCount(), 4);
}

TEST_F(Lists, NextAndPreviousMarker)
{
    MemoryRecFile empty;
    EXPECT_EQ(empty.GetNextMarkerPosition(0), 0u);
    MemoryRecFile f;  // 1000 bytes per second
    Fill(f, 10000);
    EXPECT_EQ(f.GetNextMarkerPosition(5), 10000u);
    f.AddMarker(2000, 0);
    f.AddMarker(6000, 0);
    EXPECT_EQ(f.GetNextMarkerPosition(2500), 6000u);
    EXPECT_EQ(f.GetNextMarkerPosition(7000), 10000u);
    EXPECT_EQ(f.GetPrevMarkerPosition(6500), 2000u);  // within a second of 6000
    EXPECT_EQ(f.GetPrevMarkerPosition(7500), 6000u);
    EXPECT_EQ(f.GetPrevMarkerPosition(2500), 0u);
    EXPECT_EQ(f.GetPrevMarkerPosition(1000), 0u);
}

TEST_F(Lists, PruneDropsZeroSpansAndEverythingWithoutAudio)
{
    MemoryRecFile f;
    Fill(f, 400);
    f.AddMarker(0, 0);
    f.AddMarker(100, 0);
    f.AddMarker(400, 0);
    f.PruneMarkers();
    EXPECT_EQ(f.GetMarkerCount(), 2);
    MemoryRecFile none;
    none.AddMarker(0, 0, true);
    none.AddMarker(10, 0, true);
    none.PruneMarkers();
    EXPECT_EQ(none.GetMarkerCount(), 0);
}

TEST_F(Lists, PositionAtTimeFindsTheSpanOrTheNearestEdge)
{
    MemoryRecFile f;
    Fill(f, 10000);
    f.AddMarker(0, 1000);
    f.AddMarker(5000, 2000);
    EXPECT_EQ(f.PositionAtTime(1002), 2000u);
    EXPECT_EQ(f.PositionAtTime(2003), 8000u);
    EXPECT_EQ(f.PositionAtTime(1500), 4999u);  // nearer the end of the first span (one block short of the next)
    EXPECT_EQ(f.PositionAtTime(1900), 5000u);
    EXPECT_EQ(f.PositionAtTime(100), 0u);
    EXPECT_EQ(f.GetEarliestMarkerPosition(), 0u);
    EXPECT_EQ(f.GetLatestEndPosition(), 10000u);
}

TEST_F(Lists, CommentsSplitAndEnd)
{
    MemoryRecFile f;
    Fill(f, 10000);
    f.AddComment("later", 5000, 9000);
    EXPECT_EQ(f.GetCommentEndAt(0), 9000u);
    f.AddComment("first", 1000, 0);
    ASSERT_EQ(f.GetCommentCount(), 2);
    EXPECT_EQ(f.GetCommentStart(0), 1000u);
    EXPECT_EQ(f.GetCommentEndAt(0), 5000u);  // ends where the next one starts
    EXPECT_STREQ(f.GetCommentText(3000), "first");
    EXPECT_EQ(f.GetCommentText(500), nullptr);
    f.position(3000);
    f.AddComment("", DWORD(-1), 0);
    EXPECT_EQ(f.GetCommentEndAt(0), 3000u);
    EXPECT_EQ(f.GetCommentText(3500), nullptr);
    EXPECT_EQ(f.FindComment("LATER"), 5000u);
    EXPECT_EQ(f.FindComment("none"), DWORD(-1));
    EXPECT_EQ(f.GetPrevCommentStart(5000), 1000u);
    EXPECT_EQ(f.GetCommentEnd(6000), DWORD(-1));
    f.AddComment("replaced", 5000, 0);
    EXPECT_EQ(f.GetCommentCount(), 2);
    EXPECT_STREQ(f.GetCommentTextAt(1), "replaced");
    f.DeleteCommentAt(1500);
    EXPECT_EQ(f.GetCommentCount(), 1);
    EXPECT_STREQ(f.GetCommentTextAt(5), "");
}

TEST_F(Lists, SecondsToPositionClampsAndNeverOverflows)
{
    MemoryRecFile f(nullptr, 176400, 4);
    f.SetFakeSize(0xFFF00000u);  // about 6 h 45 min of CD stereo
    f.pos = 5 * 176400;
    EXPECT_EQ(f.SecondsToPosition(-10), 0u);
    EXPECT_EQ(f.SecondsToPosition(-5), 0u);
    EXPECT_EQ(f.SecondsToPosition(2), 7u * 176400);
    // 20,000 s is 3,528,000,000 bytes: beyond a signed 32-bit product.
    EXPECT_EQ(f.SecondsToPosition(20000), 5u * 176400 + 3528000000u);
    f.pos = 0xFFF00000u - 100;
    EXPECT_EQ(f.SecondsToPosition(10), 0xFFF00000u);
    f.pos = 3528000000u;
    EXPECT_EQ(f.SecondsToPosition(-20000), 0u);
}

TEST_F(Lists, SecondsWithoutFormatAreZero)
{
    MemoryRecFile f;
    Fill(f, 5000);
    EXPECT_EQ(f.GetSeconds(DWORD(-1)), 5u);
    f.fmt.nAvgBytesPerSec = 0;
    EXPECT_EQ(f.GetSeconds(DWORD(-1)), 0u);
}
