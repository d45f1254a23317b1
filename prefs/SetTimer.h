#pragma once
// The Timer page, which edits section "Timer" of the settings (settings/TimerSettings.h).
#include "controls/ContextHelpWin.h"
#include "owl/PropertySheet.h"
#include "owl/StandardControls.h"
#include "platform/core/Types.h"
#include "platform/registry/Registry.h"
#include "settings/TimerSettings.h"

// The day choices of the page, in list order, ended by a mask of 0.
struct TimerDayChoice {
    int textId;
    DWORD mask;
};
// "today" takes the bit of the weekday given (0 Sunday ... 6 Saturday).
void TimerDayChoices(int todayWeekday, TimerDayChoice out[12]);

class TSetTimer : public OWL::TPropertyPage, public ContextHelpWin {
public:
    // "today" is the weekday of the layer's clock at construction.
    TSetTimer(OWL::TPropertySheet* sheet, TTimerSettings* settings);

    static void Load(HKEY key, const char* iniPath, TTimerSettings* settings) { LoadTimerSettings(key, iniPath, settings); }
    static void Save(HKEY key, const char* iniPath, const TTimerSettings& settings) { SaveTimerSettings(key, iniPath, settings); }

    void SetupWindow() override;
    void TransferData(OWL::TTransferDirection direction) override;
    int Apply(OWL::TPshNotify& notify) override;

private:
    struct ScheduleControls {
        OWL::TEdit* start;
        OWL::TEdit* stop;
        OWL::TCheckBox* newFile;
        OWL::TEdit* prefix;
        OWL::TComboBox* day;
    };
    struct DayEntry {
        char text[32];
        DWORD mask;
    };

    OWL::TCheckBox* enable;
    ScheduleControls schedule[3];
    TTimerSettings* settings;
    DayEntry days[15] = {};

    DECLARE_RESPONSE_TABLE(TSetTimer)
};
