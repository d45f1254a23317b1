// TPositionDialog: loading, every stepping and typing path, the slider, Adjust,
// no markers, times without a local time, and daylight saving.
#include <cstdlib>
#include <ctime>
#include <functional>

#include "ControlsTestSupport.h"
#include "controls/PositionDialog.h"
#include "platform/kernel/LocalTime.h"
#include "tests/files/MemoryRecFile.h"

using namespace controlstest;
namespace hl = platform::headless;
using D = TPositionDialog;

namespace {
// 1000 bytes a second: segment 1 is 0..30000 recorded from kStart, segment 2
// 30000..100000 recorded an hour later, so 30 s after kStart to an hour lies in a gap.
constexpr __time64_t kStart = 1'700'000'000;

class Position : public ControlsTest {
protected:
    void SetUp() override
    {
        ControlsTest::SetUp();
        SetZone("UTC0");
        std::vector<std::uint8_t> audio(100000, 0x80);
        file.Write(audio.data(), static_cast<LONG>(audio.size()));
        file.AddMarker(0, kStart);
        file.AddMarker(30000, kStart + 3600);
        file.position(10000);
    }
    void TearDown() override
    {
        SetZone(nullptr);
        ControlsTest::TearDown();
    }
    static void SetZone(const char* tz)
    {
        if (tz) {
            setenv("TZ", tz, 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }
    // Runs the dialog with a script acting as the user; returns its result.
    int Run(std::function<void(HWND)> script)
    {
        hl::AnswerDialog(D::kTemplate, std::move(script));
        dialog = std::make_unique<D>(nullptr, &file);
        return dialog->Execute();
    }
    static std::string Field(HWND dlg, int id) { return hl::Text(GetDlgItem(dlg, id)); }
    static void Step(HWND dlg, int upDown, bool up) { hl::Step(GetDlgItem(dlg, upDown), up); }
    static void TypeInto(HWND dlg, int id, const std::string& text)
    {
        HWND edit = GetDlgItem(dlg, id);
        SetFocus(edit);
        SendMessage(edit, EM_SETSEL, 0, -1);
        hl::Type(edit, text);
    }
    static std::string Clock(__time64_t t)
    {
        const std::tm* tm = _localtime64(&t);
        char text[16];
        std::snprintf(text, sizeof text, "%02d:%02d:%02d", tm->tm_hour, tm->tm_min, tm->tm_sec);
        return text;
    }
    static std::string Fields(HWND dlg)
    {
        return Field(dlg, D::kHour) + ":" + Field(dlg, D::kMinute) + ":" + Field(dlg, D::kSecond);
    }
    static std::string Ctime(__time64_t t) { return _ctime64(&t); }
    static int Slider(HWND dlg) { return static_cast<int>(SendMessage(GetDlgItem(dlg, D::kSlider), TBM_GETPOS, 0, 0)); }
    static bool AdjustShown(HWND dlg) { return IsWindowVisible(GetDlgItem(dlg, D::kAdjust)) != FALSE; }

    MemoryRecFile file{nullptr, 1000};
    std::unique_ptr<D> dialog;
};
}

TEST_F(Position, LoadsTheCurrentPositionAndOkSeeksThere)
{
    const int result = Run([&](HWND dlg) {
        EXPECT_EQ(Fields(dlg), Clock(kStart + 10));
        EXPECT_EQ(Field(dlg, D::kDay), "Tue Nov 14 ");
        EXPECT_EQ(Field(dlg, D::kSegment), "1 of 2");
        EXPECT_EQ(Field(dlg, D::kRecorded), Ctime(kStart + 10));
        EXPECT_FALSE(AdjustShown(dlg));
        EXPECT_EQ(Slider(dlg), 100);
        Step(dlg, D::kSecondUpDown, true);
        EXPECT_EQ(Fields(dlg), Clock(kStart + 11));
        EXPECT_EQ(Slider(dlg), 110);
        // One second later, shown nowhere.
        SendMessage(dlg, WM_COMMAND, D::kOneSecondLater, 0);
        EXPECT_EQ(dialog->GetChosenTime(), kStart + 12);
        EXPECT_EQ(Fields(dlg), Clock(kStart + 11));
        hl::Click(GetDlgItem(dlg, IDOK));
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(file.GetPosition(), 11000u);
}

TEST_F(Position, TimeStepsMoveThroughSegmentsAndGaps)
{
    const int result = Run([&](HWND dlg) {
        Step(dlg, D::kHourUpDown, true);
        EXPECT_EQ(dialog->GetChosenPosition(), 40000) << "an hour later is 10 s into segment 2";
        EXPECT_EQ(Field(dlg, D::kSegment), "2 of 2");
        Step(dlg, D::kHourUpDown, false);
        Step(dlg, D::kMinuteUpDown, true);
        EXPECT_EQ(dialog->GetChosenTime(), kStart + 70);
        // In the gap: the nearest recorded end, and Adjust snaps to it.
        EXPECT_EQ(dialog->GetChosenPosition(), 29999);
        EXPECT_EQ(Field(dlg, D::kRecorded), "Most recent recorded time: " + Ctime(kStart + 29));
        EXPECT_TRUE(AdjustShown(dlg));
        hl::Click(GetDlgItem(dlg, D::kAdjust));
        EXPECT_EQ(dialog->GetChosenTime(), kStart + 29);
        EXPECT_EQ(Fields(dlg), Clock(kStart + 29));
        EXPECT_FALSE(AdjustShown(dlg));
        EXPECT_EQ(file.GetPosition(), 29999u) << "Adjust positions the file at once";
        Step(dlg, D::kDayUpDown, false);
        EXPECT_EQ(dialog->GetChosenTime(), kStart + 29 - 86400);
        EXPECT_EQ(Field(dlg, D::kDay), "Mon Nov 13 ");
        EXPECT_EQ(dialog->GetChosenPosition(), 0) << "before every recording: its start";
        hl::Click(GetDlgItem(dlg, IDCANCEL));
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(file.GetPosition(), 29999u) << "Cancel keeps what Adjust did and nothing else";
}

TEST_F(Position, SegmentStepsStopAtBothEnds)
{
    Run([&](HWND dlg) {
        Step(dlg, D::kSegmentUpDown, false);
        EXPECT_EQ(Field(dlg, D::kSegment), "1 of 2") << "stepping back from the first segment";
        EXPECT_EQ(dialog->GetChosenPosition(), 0);
        Step(dlg, D::kSegmentUpDown, true);
        EXPECT_EQ(Field(dlg, D::kSegment), "2 of 2");
        EXPECT_EQ(dialog->GetChosenPosition(), 30000);
        EXPECT_EQ(Fields(dlg), Clock(kStart + 3600));
        Step(dlg, D::kSegmentUpDown, true);
        EXPECT_EQ(Field(dlg, D::kSegment), "2 of 2") << "past the last segment";
        EXPECT_EQ(dialog->GetChosenPosition(), 30000);
        hl::Click(GetDlgItem(dlg, IDOK));
    });
    EXPECT_EQ(file.GetPosition(), 30000u);
}

TEST_F(Position, TypedSegmentAndTypedTime)
{
    Run([&](HWND dlg) {
        TypeInto(dlg, D::kSegment, "2");
        EXPECT_EQ(dialog->GetChosenPosition(), 30000);
        EXPECT_EQ(Fields(dlg), Clock(kStart + 3600));
        TypeInto(dlg, D::kSegment, "9");
        EXPECT_EQ(dialog->GetChosenPosition(), 30000) << "a number past the last segment takes the last";
        EXPECT_EQ(Field(dlg, D::kSegment), "9") << "the typed field is not rewritten";

        // 75 minutes carry into the hour; the edit keeps what was typed.
        const __time64_t segmentStart = kStart + 3600;
        const int minute = _localtime64(&segmentStart)->tm_min;
        TypeInto(dlg, D::kMinute, "75");
        EXPECT_EQ(Field(dlg, D::kMinute), "75");
        EXPECT_EQ(dialog->GetChosenTime(), segmentStart + (75 - minute) * 60);
        hl::Click(GetDlgItem(dlg, IDOK));
    });
}

TEST_F(Position, SliderCoversTheLength)
{
    Run([&](HWND dlg) {
        hl::Drag(GetDlgItem(dlg, D::kSlider), 500);
        EXPECT_EQ(dialog->GetChosenPosition(), 50000);
        EXPECT_EQ(Fields(dlg), Clock(kStart + 3620));
        EXPECT_EQ(Field(dlg, D::kSegment), "2 of 2");
        hl::Drag(GetDlgItem(dlg, D::kSlider), 0);
        EXPECT_EQ(dialog->GetChosenPosition(), 0);
        hl::Click(GetDlgItem(dlg, IDOK));
    });
    EXPECT_EQ(file.GetPosition(), 0u);
}

TEST_F(Position, WithoutMarkersSegmentsLeaveThePositionAlone)
{
    MemoryRecFile bare(nullptr, 1000);
    std::vector<std::uint8_t> audio(5000, 0x80);
    bare.Write(audio.data(), static_cast<LONG>(audio.size()));
    bare.position(2000);
    hl::AnswerDialog(D::kTemplate, [&](HWND dlg) {
        EXPECT_EQ(Field(dlg, D::kSegment), "1 of 0");
        EXPECT_EQ(Field(dlg, D::kDay), "Thu Jan  1 ");
        Step(dlg, D::kSegmentUpDown, true);
        EXPECT_EQ(dialog->GetChosenPosition(), 2000);
        TypeInto(dlg, D::kSegment, "3");
        EXPECT_EQ(dialog->GetChosenPosition(), 2000);
        Step(dlg, D::kSecondUpDown, true);
        EXPECT_EQ(Field(dlg, D::kSegment), "0 of 0");
        hl::Click(GetDlgItem(dlg, IDOK));
    });
    dialog = std::make_unique<D>(nullptr, &bare);
    EXPECT_EQ(dialog->Execute(), IDOK);
    EXPECT_EQ(bare.GetPosition(), 0u) << "a time step finds no recorded time and goes to the start";
}

TEST_F(Position, TimesWithoutALocalTimeShowEmptyFields)
{
    MemoryRecFile damaged(nullptr, 1000);
    std::vector<std::uint8_t> audio(5000, 0x80);
    damaged.Write(audio.data(), static_cast<LONG>(audio.size()));
    damaged.AddMarker(0, 40'000'000'000LL);  // past the year 3000
    damaged.position(1000);
    hl::AnswerDialog(D::kTemplate, [&](HWND dlg) {
        EXPECT_EQ(Fields(dlg), "::");
        EXPECT_EQ(Field(dlg, D::kDay), "");
        EXPECT_EQ(Field(dlg, D::kRecorded), "");
        Step(dlg, D::kDayUpDown, true);
        EXPECT_EQ(Field(dlg, D::kDay), "");
        TypeInto(dlg, D::kHour, "12");
        EXPECT_EQ(Field(dlg, D::kDay), "");
        for (int i = 0; i < 3; ++i) {
            Step(dlg, D::kDayUpDown, false);
        }
        hl::Click(GetDlgItem(dlg, IDOK));
    });
    dialog = std::make_unique<D>(nullptr, &damaged);
    EXPECT_EQ(dialog->Execute(), IDOK);
}

TEST_F(Position, DayStepsAndTypedTimesAcrossDaylightSaving)
{
    // Central Europe: clocks go from 02:00 to 03:00 on the last Sunday of March.
    SetZone("CET-1CEST,M3.5.0,M10.5.0/3");
    std::tm noon{};
    noon.tm_year = 2024 - 1900;
    noon.tm_mon = 2;
    noon.tm_mday = 30;
    noon.tm_hour = 12;
    noon.tm_isdst = -1;
    const __time64_t saturday = _mktime64(&noon);
    MemoryRecFile f(nullptr, 1000);
    std::vector<std::uint8_t> audio(200000, 0x80);
    f.Write(audio.data(), static_cast<LONG>(audio.size()));
    f.AddMarker(0, saturday);
    f.position(0);
    hl::AnswerDialog(D::kTemplate, [&](HWND dlg) {
        EXPECT_EQ(Fields(dlg), "12:00:00");
        Step(dlg, D::kDayUpDown, true);
        EXPECT_EQ(Field(dlg, D::kDay), "Sun Mar 31 ");
        EXPECT_EQ(Fields(dlg), "12:00:00") << "a calendar day, not 86,400 s";
        EXPECT_EQ(dialog->GetChosenTime(), saturday + 23 * 3600);
        // 01:00 on Sunday is still winter time, whatever the day was shown in.
        TypeInto(dlg, D::kHour, "01");
        EXPECT_EQ(dialog->GetChosenTime(), saturday + 13 * 3600);
        Step(dlg, D::kSecondUpDown, true);
        Step(dlg, D::kSecondUpDown, false);
        EXPECT_EQ(Fields(dlg), "01:00:00");
        Step(dlg, D::kDayUpDown, false);
        EXPECT_EQ(Field(dlg, D::kDay), "Sat Mar 30 ");
        EXPECT_EQ(Fields(dlg), "01:00:00");
        hl::Click(GetDlgItem(dlg, IDOK));
    });
    dialog = std::make_unique<D>(nullptr, &f);
    EXPECT_EQ(dialog->Execute(), IDOK);
}
