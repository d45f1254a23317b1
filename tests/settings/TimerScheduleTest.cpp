// The timer schedule: each edge once, across midnight, both daylight-saving changes and clock jumps.
#include "settings/TimerSchedule.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ctime>

#include "platform/kernel/Clock.h"
#include "tests/support/TestSupport.h"

namespace {
// Local times in a zone with daylight saving: central Europe, changes on the
// last Sundays of March (02:00 -> 03:00) and October (03:00 -> 02:00).
class TimerScheduleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
        tzset();
    }
    void TearDown() override { platform::UseSystemClock(); }

    static __time64_t Local(int year, int month, int day, int hour, int minute, int second = 0, int dst = -1)
    {
        return testsupport::LocalTime(year, month, day, hour, minute, second, dst);
    }

    static TTimerSettings Make(const char* start, const char* stop, DWORD days = 127, short enable = 1)
    {
        TTimerSettings s {};
        s.TimerEnable = enable;
        for (auto& t : s.Schedule) {
            t.TimeDay = 127;
        }
        std::strcpy(s.Schedule[0].TimeStart, start);
        std::strcpy(s.Schedule[0].TimeStop, stop);
        s.Schedule[0].TimeDay = days;
        return s;
    }

    // Polls every 2 s on the layer's clock from..to; counts the firings of each edge.
    static void Poll(TimerSchedule& schedule, __time64_t from, __time64_t to, int* starts, int* stops)
    {
        platform::UseManualClock(from);
        *starts = *stops = 0;
        while (_time64(nullptr) <= to) {
            *stops += schedule.CheckStop() != 0;
            *starts += schedule.CheckStart() != 0;
            platform::AdvanceClock(2000);
        }
    }
};

TEST_F(TimerScheduleTest, TypedTimesOfDay)
{
    auto parse = [](const char* text) { return TimerSchedule::ParseTime(text).value_or(-1); };
    EXPECT_EQ(19 * 60 + 30, parse("7:30pm"));
    EXPECT_EQ(19 * 60 + 30, parse("1930"));
    EXPECT_EQ(19 * 60 + 30, parse("19:30"));
    EXPECT_EQ(0, parse("12am"));
    EXPECT_EQ(12 * 60, parse("12pm"));
    EXPECT_EQ(7 * 60, parse("7"));
    EXPECT_EQ(1 * 60 + 1, parse("25:61"));
    EXPECT_EQ(21 * 60, parse("930")) << "hour 93 mod 24";
    EXPECT_EQ(7 * 60 + 5, parse("7:0:5")) << "a third group continues the minute";
    EXPECT_EQ(8 * 60 + 15, parse(" 8 : 15 AM "));
    EXPECT_FALSE(TimerSchedule::ParseTime("").has_value());
    EXPECT_FALSE(TimerSchedule::ParseTime(nullptr).has_value());
}

TEST_F(TimerScheduleTest, EachEdgeFiresOncePerMinuteAndStopAndStartCountApart)
{
    TTimerSettings s = Make("10:00", "10:00");
    TimerSchedule schedule(s);
    const __time64_t t = Local(2024, 3, 6, 10, 0, 1);  // a Wednesday
    EXPECT_EQ(1, schedule.CheckStop(t));
    EXPECT_EQ(1, schedule.CheckStart(t));
    EXPECT_EQ(0, schedule.CheckStop(t + 2));
    EXPECT_EQ(0, schedule.CheckStart(t + 58));
    EXPECT_EQ(0, schedule.CheckStart(t + 60));
}

TEST_F(TimerScheduleTest, DisabledChecksFireNothingAndRecordNothing)
{
    TTimerSettings s = Make("10:00", "", 127, 0);
    TimerSchedule schedule(s);
    const __time64_t t = Local(2024, 3, 6, 10, 0, 1);
    EXPECT_EQ(0, schedule.CheckStart(t));
    EXPECT_EQ(0, schedule.CheckStop(t));
    schedule.SetEnable(true);
    EXPECT_EQ(1, schedule.CheckStart(t + 20)) << "the disabled poll recorded no minute";
}

TEST_F(TimerScheduleTest, EnableFlagChangesWithoutARebuild)
{
    TTimerSettings s = Make("10:00", "11:00");
    TimerSchedule schedule(s);
    schedule.SetEnable(false);
    EXPECT_FALSE(schedule.IsEnabled());
    EXPECT_EQ(0, schedule.CheckStart(Local(2024, 3, 6, 10, 0, 1)));
    schedule.SetEnable(true);
    EXPECT_EQ(1, schedule.CheckStart(Local(2024, 3, 6, 10, 0, 3)));
    // Hours switched off are not minutes skipped by the clock: 11:00 does not fire late.
    schedule.SetEnable(false);
    EXPECT_EQ(0, schedule.CheckStop(Local(2024, 3, 6, 10, 30)));
    schedule.SetEnable(true);
    EXPECT_EQ(0, schedule.CheckStop(Local(2024, 3, 6, 11, 30)));
}

// The switch reaches the schedule the main window polls, not only the stored settings.
TEST_F(TimerScheduleTest, TheEnableSwitchTurnsTheRunningScheduleOffAndOnAtOnce)
{
    TTimerSettings s = Make("10:00", "11:00");
    TimerSchedule running(s);
    ToggleTimerEnable(s, &running);
    EXPECT_EQ(0, s.TimerEnable);
    EXPECT_EQ(0, running.CheckStart(Local(2024, 3, 6, 10, 0, 1))) << "off still started a recording";
    ToggleTimerEnable(s, &running);
    EXPECT_EQ(1, s.TimerEnable);
    EXPECT_EQ(1, running.CheckStop(Local(2024, 3, 6, 11, 0, 1)));
    ToggleTimerEnable(s, nullptr);
    EXPECT_EQ(0, s.TimerEnable) << "no schedule yet: the setting alone";
}

TEST_F(TimerScheduleTest, FirstMatchingScheduleWinsAndDayMasksCount)
{
    TTimerSettings s = Make("8:00", "");
    std::strcpy(s.Schedule[1].TimeStart, "8:00");
    std::strcpy(s.Schedule[2].TimeStop, "9:00");
    s.Schedule[0].TimeDay = 2;  // Monday only
    s.Schedule[2].TimeDay = 0;  // never
    TimerSchedule schedule(s);
    EXPECT_EQ(1, schedule.CheckStart(Local(2024, 3, 4, 8, 0)));  // Monday
    EXPECT_EQ(2, schedule.CheckStart(Local(2024, 3, 5, 8, 0)));  // Tuesday
    EXPECT_EQ(0, schedule.CheckStop(Local(2024, 3, 5, 9, 0))) << "mask 0 never fires";
    EXPECT_EQ(0, schedule.CheckStop(Local(2024, 3, 5, 8, 0))) << "a start-only schedule never stops";
}

TEST_F(TimerScheduleTest, StopAfterMidnightBelongsToThePreviousDaysRun)
{
    TTimerSettings s = Make("23:00", "1:00", 32);  // Friday only
    TimerSchedule schedule(s);
    int starts, stops;
    // Friday 22:59 to Saturday 01:01.
    Poll(schedule, Local(2024, 3, 8, 22, 59), Local(2024, 3, 9, 1, 1), &starts, &stops);
    EXPECT_EQ(1, starts);
    EXPECT_EQ(1, stops) << "Saturday's 01:00 ends Friday's recording";
    // The stop of Saturday night (Sunday 01:00) is not Friday's run.
    Poll(schedule, Local(2024, 3, 10, 0, 59), Local(2024, 3, 10, 1, 1), &starts, &stops);
    EXPECT_EQ(0, stops);
    // Friday 01:00 follows Thursday: no stop.
    Poll(schedule, Local(2024, 3, 15, 0, 59), Local(2024, 3, 15, 1, 1), &starts, &stops);
    EXPECT_EQ(0, stops);
}

TEST_F(TimerScheduleTest, SkippedMinutesOnTheSpringChangeAreWeighedOnce)
{
    TTimerSettings s = Make("2:30", "2:45");
    TimerSchedule schedule(s);
    int starts, stops;
    // 31 March 2024: 02:00 local does not exist; the clock goes from 01:59:59 to 03:00:00.
    Poll(schedule, Local(2024, 3, 31, 1, 50), Local(2024, 3, 31, 3, 30), &starts, &stops);
    EXPECT_EQ(0, starts) << "the whole run fell in the hour that never came";
    EXPECT_EQ(1, stops);
}

TEST_F(TimerScheduleTest, RepeatedHourOnTheAutumnChangeFiresOnce)
{
    TTimerSettings s = Make("2:30", "2:45");
    TimerSchedule schedule(s);
    int starts, stops;
    // 27 October 2024: 02:00 to 03:00 local runs twice.
    const __time64_t from = Local(2024, 10, 27, 1, 50, 0, 1);
    const __time64_t to = from + 3 * 3600;
    Poll(schedule, from, to, &starts, &stops);
    EXPECT_EQ(1, starts);
    EXPECT_EQ(1, stops);
    // The next day fires again.
    Poll(schedule, Local(2024, 10, 28, 2, 29), Local(2024, 10, 28, 2, 31), &starts, &stops);
    EXPECT_EQ(1, starts);
}

TEST_F(TimerScheduleTest, ClockSetForwardOrSuspendedFiresTheSkippedEdgeOnceSameDate)
{
    TTimerSettings s = Make("10:00", "");
    TimerSchedule schedule(s);
    platform::UseManualClock(Local(2024, 3, 6, 9, 58));
    EXPECT_EQ(0, schedule.CheckStart());
    platform::SetManualWallClock(Local(2024, 3, 6, 14, 0));  // resumed after a suspend
    EXPECT_EQ(1, schedule.CheckStart());
    EXPECT_EQ(0, schedule.CheckStart());
}

// A poll after the clock skipped minutes (a suspend, a clock set forward) weighs every
// edge in them: the first poll is at from, the next at to.
TEST_F(TimerScheduleTest, APollAfterSkippedMinutesLeavesTheStateTheSkippedPollsWould)
{
    struct Times {
        const char* start;
        const char* stop;
        DWORD days;
    };
    struct Case {
        const char* what;
        Times schedules[3];
        __time64_t from, to;
        unsigned stops;  // bit n - 1 for each schedule n whose stop comes
        int start;
    };
    const Times none {"", "", 127};
    const DWORD weekdays = 62;
    const Case cases[] = {
        {"a stop-only schedule and a run both passed in one sleep",
         {{"", "11:00", 127}, {"7:00", "8:00", 127}, none},
         Local(2024, 4, 2, 6, 59), Local(2024, 4, 2, 12, 0), 0b011, 0},
        {"the run is still on", {none, {"7:00", "8:00", 127}, none}, Local(2024, 4, 2, 6, 59), Local(2024, 4, 2, 7, 30),
         0, 2},
        {"a start-only run ended by another schedule's stop",
         {{"", "11:00", 127}, none, {"9:00", "", 127}},
         Local(2024, 4, 2, 6, 59), Local(2024, 4, 2, 12, 0), 0b001, 0},
        {"a closed run does not hide an open one",
         {{"7:00", "8:00", 127}, {"9:00", "13:00", 127}, none},
         Local(2024, 4, 2, 6, 59), Local(2024, 4, 2, 12, 0), 0b001, 2},
        {"a stop in the start's own minute comes before it",
         {{"9:00", "9:00", 127}, none, none},
         Local(2024, 4, 2, 8, 59), Local(2024, 4, 2, 9, 30), 0b001, 1},
        {"a run across midnight, woken inside it", {{"23:00", "1:00", 127}, none, none}, Local(2024, 4, 2, 22, 59),
         Local(2024, 4, 3, 0, 30), 0, 1},
        {"a run across midnight, woken after it", {{"23:00", "1:00", 127}, none, none}, Local(2024, 4, 2, 22, 59),
         Local(2024, 4, 3, 1, 30), 0b001, 0},
        {"a start-only schedule across midnight", {{"10:00", "", 127}, none, none}, Local(2024, 4, 2, 23, 0),
         Local(2024, 4, 3, 11, 0), 0, 1},
        {"a weekday run on a Saturday", {{"7:00", "8:00", weekdays}, none, none}, Local(2024, 4, 6, 6, 59),
         Local(2024, 4, 6, 7, 30), 0, 0},
        {"asleep from Friday evening into Monday's run", {{"7:00", "8:00", weekdays}, none, none},
         Local(2024, 4, 5, 17, 0), Local(2024, 4, 8, 7, 30), 0, 1},
        {"asleep for a month: the stops came", {{"7:00", "8:00", 127}, none, none}, Local(2024, 4, 2, 7, 30),
         Local(2024, 5, 2, 9, 0), 0b001, 0},
    };
    for (const Case& c : cases) {
        TTimerSettings s = Make("", "");
        for (int n = 0; n < 3; ++n) {
            std::strcpy(s.Schedule[n].TimeStart, c.schedules[n].start);
            std::strcpy(s.Schedule[n].TimeStop, c.schedules[n].stop);
            s.Schedule[n].TimeDay = c.schedules[n].days;
        }
        TimerSchedule schedule(s);
        EXPECT_EQ(0, schedule.CheckStop(c.from)) << c.what;
        EXPECT_EQ(0, schedule.CheckStart(c.from)) << c.what;
        unsigned stops = 0;
        schedule.CheckStop(c.to, &stops);
        EXPECT_EQ(c.stops, stops) << c.what;
        EXPECT_EQ(c.start, schedule.CheckStart(c.to)) << c.what;
        // Each weighed edge fired once: the next poll finds nothing new.
        EXPECT_EQ(0, schedule.CheckStop(c.to + 2)) << c.what;
        EXPECT_EQ(0, schedule.CheckStart(c.to + 2)) << c.what;
    }
}

TEST_F(TimerScheduleTest, RebuildWithinTheMinuteDoesNotFireAgain)
{
    TTimerSettings s = Make("10:00", "");
    const __time64_t t = Local(2024, 3, 6, 10, 0, 5);
    auto first = std::make_unique<TimerSchedule>(s);
    EXPECT_EQ(1, first->CheckStart(t));
    auto rebuilt = std::make_unique<TimerSchedule>(s, first.get());
    first.reset();
    EXPECT_EQ(0, rebuilt->CheckStart(t + 10));
    // A time changed to the current minute is a new edge and fires.
    std::strcpy(s.Schedule[1].TimeStart, "10:00");
    std::strcpy(s.Schedule[0].TimeStart, "10:01");
    TimerSchedule changed(s, rebuilt.get());
    EXPECT_EQ(2, changed.CheckStart(t + 12));
    EXPECT_EQ(1, changed.CheckStart(t + 60));
}
}
