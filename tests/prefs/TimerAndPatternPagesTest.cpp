// The Timer page into the schedule it makes, and the pattern dialog as the File page opens it.
#include <cstring>

#include "prefs/PatternDialog.h"
#include "prefs/SetFile.h"
#include "prefs/SetMp3.h"
#include "prefs/SetTimer.h"
#include "settings/TimerSchedule.h"
#include "tests/prefs/PageFixture.h"

using namespace pagetest;

namespace {
// Local (UTC) times of the fixture's week: Wednesday 2024-03-06 and the Saturday after.
constexpr std::int64_t kWednesday = kWednesdayNoon - 12 * 3600;
constexpr std::int64_t At(int day, int hour, int minute) { return kWednesday + day * 86400 + hour * 3600 + minute * 60; }

class TimerPage : public PageTest {
protected:
    void SetUp() override
    {
        PageTest::SetUp();
        std::memset(&TimerSettings, 0, sizeof TimerSettings);
        for (auto& s : TimerSettings.Schedule) {
            s.TimeDay = 127;
        }
    }
    struct Sheet {
        OWL::TPropertySheet sheet{nullptr, "Options", 0, false, PSH_NOAPPLYNOW | PSH_HASHELP};
        TSetTimer page{&sheet, &TimerSettings};
    };
};

TEST_F(TimerPage, TypedTimesAndDayChoicesMakeTheScheduleThatFires)
{
    Sheet s;
    ASSERT_EQ(IDOK, Run(s.sheet, [&](HWND h) {
        HWND day1 = Item(s.page, 408);
        ASSERT_EQ(11, Count(day1));
        EXPECT_EQ("today", ItemText(day1, 10));
        EXPECT_EQ(0, Selected(day1)) << "127 is everyday";
        hl::Click(Item(s.page, 400));
        Retype(Item(s.page, 401), "7:30pm");
        Retype(Item(s.page, 402), "20*00");  // '*' is not a time character
        EXPECT_EQ("2000", hl::Text(Item(s.page, 402)));
        hl::Choose(day1, 10);
        Retype(Item(s.page, 420), "12am");
        Retype(Item(s.page, 421), "12PM");
        hl::Choose(Item(s.page, 428), 8);
        Retype(Item(s.page, 430), "7");
        hl::Click(Item(s.page, 436));
        Retype(Item(s.page, 437), "morning");
        hl::Choose(Item(s.page, 438), 9);
        Ok(h);
    }));
    EXPECT_EQ(1, TimerSettings.TimerEnable);
    const auto& t = TimerSettings.Schedule;
    EXPECT_STREQ("7:30pm", t[0].TimeStart);
    EXPECT_STREQ("2000", t[0].TimeStop);
    EXPECT_EQ(8u, t[0].TimeDay) << "today is a Wednesday";
    EXPECT_EQ(62u, t[1].TimeDay);
    EXPECT_EQ(65u, t[2].TimeDay);
    EXPECT_EQ(1, t[2].TimeNewFile);
    EXPECT_STREQ("morning", t[2].TimeNewFilePrefix);

    TimerSchedule schedule(TimerSettings);
    EXPECT_EQ(1, schedule.CheckStart(At(0, 19, 30)));
    EXPECT_EQ(1, schedule.CheckStop(At(0, 20, 0)));
    EXPECT_EQ(0, schedule.CheckStart(At(1, 19, 30))) << "Thursday is not today's Wednesday";
    EXPECT_EQ(2, schedule.CheckStart(At(1, 0, 0)));
    EXPECT_EQ(2, schedule.CheckStop(At(1, 12, 0)));
    EXPECT_EQ(0, schedule.CheckStart(At(1, 7, 0))) << "a weekday";
    EXPECT_EQ(3, schedule.CheckStart(At(3, 7, 0)));
    // A first poll: the weekday stops of the days between are not weighed.
    EXPECT_EQ(0, TimerSchedule(TimerSettings).CheckStop(At(3, 7, 0))) << "schedule 3 has no stop";

    Sheet again;
    Run(again.sheet, [&](HWND h) {
        EXPECT_EQ("Wednesday", ItemText(Item(again.page, 408), Selected(Item(again.page, 408))));
        EXPECT_EQ("weekday", ItemText(Item(again.page, 428), Selected(Item(again.page, 428))));
        EXPECT_EQ(BST_CHECKED, hl::Check(Item(again.page, 400)));
        Cancel(h);
    });
}

TEST_F(TimerPage, AMaskOfNoEntryStaysUnlessAnEntryIsPickedAndUnknownTypedDaysChangeNothing)
{
    TimerSettings.Schedule[0].TimeDay = 3;
    TimerSettings.Schedule[1].TimeDay = 0;
    Sheet s;
    ASSERT_EQ(IDOK, Run(s.sheet, [&](HWND h) {
        EXPECT_EQ(-1, Selected(Item(s.page, 408)));
        EXPECT_EQ(-1, Selected(Item(s.page, 428)));
        Retype(Item(s.page, 408), "someday");
        Ok(h);
    }));
    EXPECT_EQ(3u, TimerSettings.Schedule[0].TimeDay);
    EXPECT_EQ(0u, TimerSettings.Schedule[1].TimeDay);
    EXPECT_EQ(127u, TimerSettings.Schedule[2].TimeDay);
}

class PatternDialogTest : public PageTest {
protected:
    // The File page with the pattern dialog opened from its "Edit..." button; dialog acts as the user there.
    void EditPattern(std::function<void(HWND dialog)> dialog, bool okPage = true)
    {
        OWL::TPropertySheet sheet(nullptr, "Options", 0, false, PSH_NOAPPLYNOW | PSH_HASHELP);
        int shared = DefaultAudioFormat;
        TSetFile page(&sheet, &shared);
        Run(sheet, [&](HWND h) {
            hl::AnswerDialog(4200, dialog);
            hl::Click(Item(page, 25802));
            pageExample = hl::Text(Item(page, 104));
            (okPage ? Ok : Cancel)(h);
        });
    }
    static HWND Control(HWND dialog, int id) { return GetDlgItem(dialog, id); }
    std::string pageExample;
};

TEST_F(PatternDialogTest, EachCodeGoesInAtTheCaretAndTheExampleFollows)
{
    std::snprintf(ImprovedFilePrefix, sizeof ImprovedFilePrefix, "rec");
    DefaultAudioFormat = 3;
    LHMode = 0;
    EditPattern([&](HWND d) {
        HWND edit = Control(d, 4201);
        HWND codes = Control(d, 4205);
        EXPECT_EQ("rec_1.ogg", hl::Text(Control(d, 4203)));
        ASSERT_EQ(17, Count(codes));
        for (int k = 1; k < 17; ++k) {
            SendMessage(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("ab"));
            SendMessage(edit, EM_SETSEL, 1, 1);
            hl::Choose(codes, k);
            hl::Click(Control(d, 4204));
            EXPECT_EQ(std::string("a") + PatternCodes[k].code + "b", hl::Text(edit)) << k;
        }
        SendMessage(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("x"));
        SendMessage(edit, EM_SETSEL, 0, 1);
        hl::Choose(codes, 15);
        hl::Click(Control(d, 4204));
        EXPECT_EQ("x%Y", hl::Text(edit)) << "the selection stays; the code goes in at the caret";
        hl::Choose(codes, 0);
        hl::Click(Control(d, 4204));
        EXPECT_EQ("x%Y", hl::Text(edit)) << "the prompt inserts nothing";
        EXPECT_EQ("x2024_1.ogg", hl::Text(Control(d, 4203)));
        hl::Type(edit, ":*?-%m");
        EXPECT_EQ("x%Y-%m", hl::Text(edit)) << "':', '*' and '?' are refused";
        EXPECT_EQ("x2024-03_1.ogg", hl::Text(Control(d, 4203)));
        hl::Type(edit, "%Q");
        EXPECT_EQ("", hl::Text(Control(d, 4203))) << "an unknown code shows no example";
        SendMessage(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("%d-<|>"));
        hl::Click(Control(d, 4209));
        EXPECT_EQ("06-<|>.ogg", hl::Text(Control(d, 4203)));
        hl::Click(GetDlgItem(d, IDOK));
    });
    EXPECT_EQ("06-<|>.ogg", pageExample);
    EXPECT_STREQ("%d-<|>", ImprovedFilePrefix);
    EXPECT_EQ(1, LHMode);
}

TEST_F(PatternDialogTest, TheInstanceRadioChangesBitZeroOnlyAndCancelKeepsEverything)
{
    std::snprintf(ImprovedFilePrefix, sizeof ImprovedFilePrefix, "keep");
    LHMode = 0xF0;
    DefaultAudioFormat = 0;
    EditPattern([&](HWND d) {
        EXPECT_EQ(BST_CHECKED, hl::Check(Control(d, 4207)));
        hl::Click(Control(d, 4209));
        hl::Click(GetDlgItem(d, IDOK));
    });
    EXPECT_EQ(0xF1, LHMode);
    EditPattern([&](HWND d) {
        EXPECT_EQ(BST_CHECKED, hl::Check(Control(d, 4209)));
        hl::Click(Control(d, 4207));
        SendMessage(Control(d, 4201), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("changed"));
        hl::Click(GetDlgItem(d, IDCANCEL));
    });
    EXPECT_EQ("keep.wav", pageExample) << "a cancelled dialog leaves the page's pattern";
    EXPECT_EQ(0xF1, LHMode);
    EXPECT_STREQ("keep", ImprovedFilePrefix);
    EditPattern([&](HWND d) {
        hl::Click(Control(d, 4207));
        hl::Click(GetDlgItem(d, IDOK));
    }, false);
    EXPECT_EQ(0xF1, LHMode) << "the page stores nothing on Cancel";
}
}
