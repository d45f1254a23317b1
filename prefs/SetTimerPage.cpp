// The Timer page: the master switch and the three schedules' times, new-file prefix and days.
#include <cstring>
#include <ctime>

#include "controls/HelpMaps.h"
#include "platform/core/Strings.h"
#include "platform/kernel/Clock.h"
#include "prefs/PageText.h"
#include "prefs/SetTimer.h"

void TimerDayChoices(int todayWeekday, TimerDayChoice out[12])
{
    const TimerDayChoice fixed[] = {{3809, 127}, {3800, 1},  {3801, 2},  {3802, 4},  {3803, 8},
                                    {3804, 16},  {3805, 32}, {3806, 64}, {3807, 62}, {3808, 65}};
    int i = 0;
    for (const auto& c : fixed) {
        out[i++] = c;
    }
    out[i++] = {3810, static_cast<DWORD>(1u << ((todayWeekday % 7 + 7) % 7))};
    out[i] = {0, 0};
}

namespace {
constexpr const char* kTimeCharacters = "0-9:apmAPM ";

int TodayWeekday()
{
    const std::time_t now = static_cast<std::time_t>(platform::NowSeconds());
    std::tm local{};
    localtime_r(&now, &local);
    return local.tm_wday;
}
}

// Help requests reach ContextHelpWin before the page's own (empty) Help.
DEFINE_RESPONSE_TABLE2(TSetTimer, ContextHelpWin, OWL::TPropertyPage)
END_RESPONSE_TABLE

TSetTimer::TSetTimer(OWL::TPropertySheet* sheet, TTimerSettings* settings_)
    : OWL::TPropertyPage(sheet, 28071), ContextHelpWin(sheet, SetTimerHelpMap, SetTimerHelpContext), settings(settings_)
{
    Flags |= PSP_HASHELP;
    enable = new OWL::TCheckBox(this, 400);
    static const int ids[3][5] = {{401, 402, 406, 407, 408}, {420, 421, 426, 427, 428}, {430, 431, 436, 437, 438}};
    for (int n = 0; n < 3; ++n) {
        ScheduleControls& c = schedule[n];
        c.start = new OWL::TEdit(this, ids[n][0], 9);
        c.start->SetValidator(new OWL::TFilterValidator(OWL::TCharSet(kTimeCharacters)));
        c.stop = new OWL::TEdit(this, ids[n][1], 9);
        c.stop->SetValidator(new OWL::TFilterValidator(OWL::TCharSet(kTimeCharacters)));
        c.newFile = new OWL::TCheckBox(this, ids[n][2]);
        c.prefix = new OWL::TEdit(this, ids[n][3]);
        c.day = new OWL::TComboBox(this, ids[n][4]);
    }
    TimerDayChoice choices[12];
    TimerDayChoices(TodayWeekday(), choices);
    for (int i = 0; choices[i].mask != 0; ++i) {
        days[i].mask = choices[i].mask;
        LoadStringA(nullptr, static_cast<UINT>(choices[i].textId), days[i].text, sizeof days[i].text);
    }
}

void TSetTimer::SetupWindow()
{
    OWL::TPropertyPage::SetupWindow();
    for (ScheduleControls& c : schedule) {
        for (const DayEntry& d : days) {
            if (d.mask == 0) {
                break;
            }
            c.day->SetItemData(c.day->AddString(d.text), static_cast<LPARAM>(d.mask));
        }
    }
    TransferData(OWL::tdSetData);
}

void TSetTimer::TransferData(OWL::TTransferDirection direction)
{
    if (!settings) {
        return;
    }
    if (direction == OWL::tdSetData) {
        enable->SetCheck(settings->TimerEnable ? BST_CHECKED : BST_UNCHECKED);
        for (int n = 0; n < 3; ++n) {
            const TimerScheduleSettings& s = settings->Schedule[n];
            ScheduleControls& c = schedule[n];
            c.start->SetText(s.TimeStart);
            c.stop->SetText(s.TimeStop);
            c.newFile->SetCheck(s.TimeNewFile ? BST_CHECKED : BST_UNCHECKED);
            c.prefix->SetText(s.TimeNewFilePrefix);
            int chosen = -1;
            for (int i = 0; i < 15 && days[i].mask != 0; ++i) {
                if (days[i].mask == s.TimeDay) {
                    chosen = i;
                    break;
                }
            }
            c.day->SetSelIndex(chosen);
        }
        OWL::TPropertyPage::TransferData(direction);
        return;
    }
    OWL::TPropertyPage::TransferData(direction);
    if (direction != OWL::tdGetData) {
        return;
    }
    settings->TimerEnable = enable->IsChecked() ? 1 : 0;
    for (int n = 0; n < 3; ++n) {
        TimerScheduleSettings& s = settings->Schedule[n];
        ScheduleControls& c = schedule[n];
        platform::CopyBounded(s.TimeStart, sizeof s.TimeStart, ControlText(*c.start, 9));
        platform::CopyBounded(s.TimeStop, sizeof s.TimeStop, ControlText(*c.stop, 9));
        s.TimeNewFile = c.newFile->IsChecked() ? 1 : 0;
        platform::CopyBounded(s.TimeNewFilePrefix, sizeof s.TimeNewFilePrefix, ControlText(*c.prefix, 259));
        const std::string day = ControlText(*c.day, 19);
        for (int i = 0; i < 15 && days[i].mask != 0; ++i) {
            if (day == days[i].text) {
                s.TimeDay = days[i].mask;
                break;
            }
        }
    }
}

int TSetTimer::Apply(OWL::TPshNotify& notify)
{
    TransferData(OWL::tdGetData);
    return OWL::TPropertyPage::Apply(notify);
}
