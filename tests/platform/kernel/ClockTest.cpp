// The manual clock stands still until advanced, tells its listeners, and keeps times past 2038 whole.
#include <gtest/gtest.h>

#include "platform/kernel/Clock.h"

namespace {
struct ManualClock : ::testing::Test {
    void TearDown() override { platform::UseSystemClock(); }
};
}

TEST_F(ManualClock, StandsStillUntilAdvancedAndNotifiesListeners)
{
    platform::UseManualClock(2'000'000'000);
    int calls = 0;
    const int id = platform::AddClockListener([&] { ++calls; });
    EXPECT_EQ(_time64(nullptr), 2'000'000'000);
    EXPECT_EQ(platform::NowMilliseconds(), 0u);
    platform::AdvanceClock(1500);
    __time64_t t = 0;
    EXPECT_EQ(_time64(&t), 2'000'000'001);
    EXPECT_EQ(t, 2'000'000'001);
    EXPECT_EQ(platform::NowMilliseconds(), 1500u);
    EXPECT_EQ(calls, 1);
    platform::RemoveClockListener(id);
    platform::AdvanceClock(1);
    EXPECT_EQ(calls, 1);
}

TEST_F(ManualClock, TimesBeyond2038Stay64Bit)
{
    platform::UseManualClock(4'102'444'800);  // 2100-01-01
    EXPECT_EQ(_time64(nullptr), 4'102'444'800);
}

TEST(SystemClock, TickBeforeAgreesWithTheTickOnEitherSideOfNow)
{
    platform::UseSystemClock();
    const std::uint64_t now = platform::NowMilliseconds();
    EXPECT_TRUE(platform::TickBefore(now + 60'000));  // the coarse look decides alone
    EXPECT_TRUE(platform::TickBefore(now + 60'000 + 1));
    EXPECT_FALSE(platform::TickBefore(now));  // within a tick of now: the precise clock decides
    EXPECT_FALSE(platform::TickBefore(0));
}

TEST_F(ManualClock, TickBeforeFollowsTheManualTick)
{
    platform::UseManualClock(1'700'000'000);
    EXPECT_TRUE(platform::TickBefore(1));
    platform::AdvanceClock(5);
    EXPECT_FALSE(platform::TickBefore(5));
    EXPECT_TRUE(platform::TickBefore(6));
}
