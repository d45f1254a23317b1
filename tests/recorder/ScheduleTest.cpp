// The schedule poll over simulated days, on the manual clock in a time zone with
// daylight saving: day masks, each edge once per local date, a schedule across
// midnight, both change days, "new file" starts and stops, and Enable Timer.
#include "tests/recorder/PlaybackFixture.h"

#include <ctime>

#include "settings/TimerSchedule.h"

namespace {
// Central Europe: the clocks go forward at 2:00 on the last Sunday of March and back at 3:00 in October.
constexpr const char* kZone = "CET-1CEST,M3.5.0,M10.5.0/3";

class Schedule : public PlaybackTest {
protected:
    void SetUp() override
    {
        PlaybackTest::SetUp();
        const char* old = getenv("TZ");
        hadZone = old != nullptr;
        oldZone = old ? old : "";
        setenv("TZ", kZone, 1);
        tzset();
        TimerSettings.TimerEnable = 1;
        for (auto& s : TimerSettings.Schedule) {
            s.TimeDay = 127;
        }
    }
    void TearDown() override
    {
        PlaybackTest::TearDown();
        if (hadZone) {
            setenv("TZ", oldZone.c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }

    // The wall clock at a local time; the timers' tick does not move.
    static std::int64_t Local(int year, int month, int day, int hour, int minute, int second = 0, int dst = -1)
    {
        return testsupport::LocalTime(year, month, day, hour, minute, second, dst);
    }
    void SetClock(std::int64_t when) { platform::SetManualWallClock(when); }
    // Polls for the next seconds of the clock, every two seconds as the timer runs.
    void Run(int seconds) { hl::Advance(static_cast<std::uint64_t>(seconds) * 1000); }
    // Runs the clock across an edge at a local time and tells whether a recording runs after it.
    bool RecordingAfter(std::int64_t edge)
    {
        SetClock(edge - 10);
        Run(20);
        return dialog->IsRecording();
    }
    void Times(int n, const char* start, const char* stop, DWORD days = 127, short newFile = 0, const char* prefix = "")
    {
        TimerScheduleSettings& s = TimerSettings.Schedule[n - 1];
        std::snprintf(s.TimeStart, sizeof s.TimeStart, "%s", start);
        std::snprintf(s.TimeStop, sizeof s.TimeStop, "%s", stop);
        s.TimeDay = days;
        s.TimeNewFile = newFile;
        std::snprintf(s.TimeNewFilePrefix, sizeof s.TimeNewFilePrefix, "%s", prefix);
    }
    int Records() const
    {
        const std::string log = Log();
        int n = 0;
        for (std::size_t at = log.find("record  "); at != std::string::npos; at = log.find("record  ", at + 1)) {
            ++n;
        }
        return n;
    }

    bool hadZone = false;
    std::string oldZone;
};

constexpr DWORD kWeekdays = 62;
constexpr DWORD kFriday = 1u << 5;
}

TEST_F(Schedule, ADayMaskChoosesTheDaysAndEachEdgeFiresOncePerDate)
{
    Times(1, "9:00", "9:30", kWeekdays);
    SetClock(Local(2024, 3, 22, 12, 0));
    Open();
    // Saturday 23 March to Friday 29 March.
    for (int day = 23; day <= 29; ++day) {
        const bool weekday = day >= 25;
        EXPECT_EQ(RecordingAfter(Local(2024, 3, day, 9, 0)), weekday) << "March " << day;
        EXPECT_FALSE(RecordingAfter(Local(2024, 3, day, 9, 30))) << "March " << day;
    }
    EXPECT_EQ(Records(), 5);

    // The clock set back over the start on the same date starts nothing again.
    SetClock(Local(2024, 3, 29, 9, 35));
    Run(4);
    SetClock(Local(2024, 3, 29, 8, 58));
    Run(180);
    EXPECT_FALSE(dialog->IsRecording());
    EXPECT_EQ(Records(), 5);
}

TEST_F(Schedule, AStopAfterMidnightBelongsToTheDayTheRunBegan)
{
    Times(1, "23:00", "1:00", kFriday);
    SetClock(Local(2024, 3, 21, 12, 0));
    Open();
    EXPECT_FALSE(RecordingAfter(Local(2024, 3, 21, 23, 0)));  // Thursday
    EXPECT_TRUE(RecordingAfter(Local(2024, 3, 22, 23, 0)));   // Friday
    EXPECT_FALSE(RecordingAfter(Local(2024, 3, 23, 1, 0)));   // Saturday morning: Friday's stop
    EXPECT_FALSE(RecordingAfter(Local(2024, 3, 23, 23, 0)));  // Saturday: no run
    // A recording on Sunday morning is no Friday run: 1:00 leaves it alone.
    SetClock(Local(2024, 3, 24, 0, 30));
    Run(2);
    ClickRecord();
    EXPECT_TRUE(RecordingAfter(Local(2024, 3, 24, 1, 0)));
    ClickStop();
}

TEST_F(Schedule, TheDaylightSavingChangesSkipNoEdgeAndRepeatNone)
{
    Times(1, "2:30", "2:45");
    SetClock(Local(2024, 3, 30, 12, 0));
    Open();
    // 31 March: 2:00 becomes 3:00. The run from 2:30 to 2:45 falls in the hour that never
    // comes: both edges are due at the first poll after, and nothing is left recording.
    SetClock(Local(2024, 3, 31, 1, 59, 50));
    Run(9);
    Run(4);
    EXPECT_FALSE(dialog->IsRecording());
    EXPECT_EQ(Records(), 0);

    // 27 October: 3:00 becomes 2:00 again, so 2:30 comes twice and starts once.
    SetClock(Local(2024, 10, 26, 12, 0));
    Run(4);
    const int before = Records();
    EXPECT_TRUE(RecordingAfter(Local(2024, 10, 27, 2, 30, 0, 1)));
    EXPECT_FALSE(RecordingAfter(Local(2024, 10, 27, 2, 45, 0, 1)));
    EXPECT_FALSE(RecordingAfter(Local(2024, 10, 27, 2, 30, 0, 0)));
    EXPECT_EQ(Records(), before + 1);
}

TEST_F(Schedule, ARunTheSpringChangeCutsIntoStartsWithTheFirstPollAfterIt)
{
    Times(1, "2:15", "4:00");
    SetClock(Local(2024, 3, 30, 12, 0));
    Open();
    SetClock(Local(2024, 3, 31, 1, 59, 50));
    Run(9);
    EXPECT_FALSE(dialog->IsRecording());
    Run(4);
    EXPECT_TRUE(dialog->IsRecording());
    EXPECT_FALSE(RecordingAfter(Local(2024, 3, 31, 4, 0)));
    EXPECT_EQ(Records(), 1);
}

TEST_F(Schedule, ANewFileStartNamesItsFileAndANewFileStopKeepsTheRecording)
{
    Times(1, "9:00", "9:10", 127, 1, "morning");
    SetClock(Local(2024, 4, 2, 8, 0));
    Open();
    // The user's recording before it is closed and kept.
    ClickRecord();
    Feed(3, true);
    const std::string before = CurrentName();
    ASSERT_TRUE(RecordingAfter(Local(2024, 4, 2, 9, 0)));
    EXPECT_EQ(CurrentName(), folder + "/morning_take_1.wav");
    EXPECT_EQ(SoxSamples(before), FedFrames(0, 3 * FramesPerBuffer()));
    Feed(4, true);
    EXPECT_FALSE(RecordingAfter(Local(2024, 4, 2, 9, 10)));
    EXPECT_EQ(dialog->GetCurrentFile(), nullptr);
    EXPECT_EQ(SoxSamples(folder + "/morning_take_1.wav"), FedFrames(3 * FramesPerBuffer(), 4 * FramesPerBuffer()));
}

TEST_F(Schedule, ANewFileStopKeepsARecordingWithAGeneratedName)
{
    AutoName = false;
    Times(1, "9:00", "9:10", 127, 1);
    SetClock(Local(2024, 4, 2, 8, 0));
    Open();
    ASSERT_TRUE(RecordingAfter(Local(2024, 4, 2, 9, 0)));
    const std::string take = CurrentName();
    ASSERT_TRUE(dialog->GetCurrentFile()->HasTempName());
    Feed(4, true);
    EXPECT_FALSE(RecordingAfter(Local(2024, 4, 2, 9, 10)));
    EXPECT_EQ(dialog->GetCurrentFile(), nullptr);
    EXPECT_EQ(SoxSamples(take), FedFrames(0, 4 * FramesPerBuffer()));
    // The next day's start opens a fresh generated file beside it.
    ASSERT_TRUE(RecordingAfter(Local(2024, 4, 3, 9, 0)));
    EXPECT_NE(CurrentName(), take);
    ClickStop();
}

TEST_F(Schedule, AStopAndAStartInOnePollStopFirstThenRecordAgain)
{
    Times(1, "8:00", "9:00");
    Times(2, "9:00", "", 127, 1, "second");
    SetClock(Local(2024, 4, 2, 7, 0));
    Open();
    ASSERT_TRUE(RecordingAfter(Local(2024, 4, 2, 8, 0)));
    Feed(2, true);
    const std::string first = CurrentName();
    ASSERT_TRUE(RecordingAfter(Local(2024, 4, 2, 9, 0)));
    EXPECT_EQ(CurrentName(), folder + "/second_take_1.wav");
    EXPECT_EQ(SoxSamples(first), FedFrames(0, 2 * FramesPerBuffer()));
    const std::string log = Log();
    EXPECT_LT(log.rfind("stop"), log.rfind("record"));
    ClickStop();
}

TEST_F(Schedule, EnableTimerReachesTheRunningScheduleAtOnce)
{
    TimerSettings.TimerEnable = 0;
    Times(1, "9:00", "9:30");
    SetClock(Local(2024, 4, 2, 8, 0));
    Open();
    EXPECT_FALSE(RecordingAfter(Local(2024, 4, 2, 9, 0)));
    // Switched on as the Enable Timer command does: no preferences, no rebuilt schedule.
    SetClock(Local(2024, 4, 3, 8, 0));
    Run(2);
    TimerSettings.TimerEnable = 1;
    EXPECT_TRUE(RecordingAfter(Local(2024, 4, 3, 9, 0)));
    TimerSettings.TimerEnable = 0;
    EXPECT_TRUE(RecordingAfter(Local(2024, 4, 3, 9, 30)));
    EXPECT_FALSE(dialog->GetSchedule()->IsEnabled());
    ClickStop();
}

TEST_F(Schedule, AScheduledFileThatCannotBeOpenedIsReportedAndTheRecordingStillStarts)
{
    Times(1, "9:00", "", 127, 1, "blocked/busy");
    // A file stands where the prefix wants a folder.
    testsupport::WriteAll(folder + "/blocked", {1});
    SetClock(Local(2024, 4, 2, 8, 0));
    Open();
    EXPECT_TRUE(RecordingAfter(Local(2024, 4, 2, 9, 0)));
    const std::string text =
        "Can't open file \n\t" + folder + "/blocked/busy_take_1.wav\nAlready in use by another program, or disk protected?";
    EXPECT_GE(Boxes(text), 1);
    EXPECT_EQ(hl::MessageBoxes().back().caption, "Tapvox");
    EXPECT_EQ(CurrentName().rfind(folder + "/take_", 0), 0u) << CurrentName();
    ClickStop();
}

// A machine asleep over several schedules: the first poll after it leaves nothing recording
// whose run has ended, and every stop that came counts with its "new file" flag.
TEST_F(Schedule, AfterASleepOverSeveralSchedulesNoEndedRunRecords)
{
    Times(1, "", "11:00");
    Times(2, "7:00", "8:00", 127, 1, "early");
    SetClock(Local(2024, 4, 2, 6, 0));
    Open();
    SetClock(Local(2024, 4, 2, 6, 59));
    Run(4);
    SetClock(Local(2024, 4, 2, 12, 0));
    Run(4);
    EXPECT_FALSE(dialog->IsRecording()) << "nothing would stop it before 11:00 tomorrow";
    EXPECT_EQ(Records(), 0);

    // Asleep within the run: both stops came, and schedule 2's closes its file.
    ASSERT_TRUE(RecordingAfter(Local(2024, 4, 3, 7, 0)));
    Feed(2, true);
    const std::string take = CurrentName();
    SetClock(Local(2024, 4, 3, 12, 0));
    Run(4);
    EXPECT_FALSE(dialog->IsRecording());
    EXPECT_EQ(dialog->GetCurrentFile(), nullptr);
    EXPECT_EQ(SoxSamples(take), FedFrames(0, 2 * FramesPerBuffer()));
}
