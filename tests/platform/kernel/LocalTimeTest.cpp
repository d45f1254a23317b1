// The run time's 64-bit local time: its range, its text and the normalising conversion.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/kernel/LocalTime.h"

namespace {
class LocalTime : public ::testing::Test {
protected:
    void SetUp() override { Zone("UTC0"); }
    void TearDown() override
    {
        unsetenv("TZ");
        tzset();
    }
    static void Zone(const char* tz)
    {
        setenv("TZ", tz, 1);
        tzset();
    }
};
}

TEST_F(LocalTime, TextHasTheFixedFormAndTheRangeEndsAtTheYear3000)
{
    __time64_t t = 0;
    EXPECT_STREQ(_ctime64(&t), "Thu Jan  1 00:00:00 1970\n");
    t = 1'700'000'000;
    EXPECT_STREQ(_ctime64(&t), "Tue Nov 14 22:13:20 2023\n");
    t = 32535215999;
    EXPECT_STREQ(_ctime64(&t), "Wed Dec 31 23:59:59 3000\n");
    ++t;
    EXPECT_EQ(_ctime64(&t), nullptr);
    EXPECT_EQ(_localtime64(&t), nullptr);
    t = -1;
    EXPECT_EQ(_ctime64(&t), nullptr);
    EXPECT_EQ(_localtime64(nullptr), nullptr);
}

TEST_F(LocalTime, MktimeCarriesOverflowAndLetsTheZoneDecideDaylightSaving)
{
    Zone("CET-1CEST,M3.5.0,M10.5.0/3");
    std::tm tm{};
    tm.tm_year = 124;
    tm.tm_mon = 2;
    tm.tm_mday = 31;
    tm.tm_hour = 1;
    tm.tm_min = 75;  // 02:15 does not exist that night: it is 03:15 summer time
    tm.tm_isdst = -1;
    const __time64_t t = _mktime64(&tm);
    EXPECT_EQ(tm.tm_hour, 3);
    EXPECT_EQ(tm.tm_min, 15);
    EXPECT_EQ(tm.tm_isdst, 1);
    EXPECT_EQ(t, 1711847700);

    std::tm before{};
    before.tm_year = 60;  // 1960: outside the range
    before.tm_mday = 1;
    before.tm_isdst = -1;
    EXPECT_EQ(_mktime64(&before), -1);
    EXPECT_EQ(before.tm_year, 60) << "a failed conversion leaves the fields";
}
