// The "Timer" settings (master switch and three daily schedules) and their Load and Save.
#include "settings/TimerSettings.h"

#include <string>

#include "platform/core/Strings.h"
#include "settings/SettingsRules.h"

using namespace settings;

TTimerSettings TimerSettings = {0, {{"", "", 0, "", 127}, {"", "", 0, "", 127}, {"", "", 0, "", 127}}};

namespace {
constexpr const char* kSection = "Timer";

// Key names of schedule n (0..2): registry and INI.
struct Names {
    std::string regStart, regStop, iniStart, iniStop, newFile, prefix, day;
};

Names NamesOf(int n)
{
    const std::string digit = n == 0 ? "" : std::to_string(n + 1);
    return {"TimeStart" + digit + "EC", "TimeStop" + digit + "EC", "TimeStart" + digit, "TimeStop" + digit,
            "TimeNewFile" + digit,       "TimeNewFilePrefix" + digit, "TimeDay" + digit};
}
}

void LoadTimerSettings(HKEY key, const char* iniPath, TTimerSettings* settings)
{
    if (!settings) {
        return;
    }
    const bool ini = iniPath && *iniPath;
    settings->TimerEnable = (ini ? IniGetInt(kSection, "TimerEnable", 0, iniPath) : RegGetByte(key, "TimerEnable", 0)) != 0;
    for (int n = 0; n < 3; ++n) {
        TimerScheduleSettings& s = settings->Schedule[n];
        const Names names = NamesOf(n);
        if (ini) {
            IniGetText(kSection, names.iniStart.c_str(), "", s.TimeStart, sizeof s.TimeStart, iniPath);
            IniGetText(kSection, names.iniStop.c_str(), "", s.TimeStop, sizeof s.TimeStop, iniPath);
            s.TimeNewFile = IniGetInt(kSection, names.newFile.c_str(), 0, iniPath) != 0;
            IniGetText(kSection, names.prefix.c_str(), "", s.TimeNewFilePrefix, sizeof s.TimeNewFilePrefix, iniPath);
            s.TimeDay = static_cast<DWORD>(IniGetInt(kSection, names.day.c_str(), 127, iniPath));
        } else {
            // Texts come in 260 characters and are cut to the field.
            char text[kTextSize];
            RegGetText(key, names.regStart.c_str(), text, sizeof text, "");
            platform::CopyBounded(s.TimeStart, sizeof s.TimeStart, text);
            RegGetText(key, names.regStop.c_str(), text, sizeof text, "");
            platform::CopyBounded(s.TimeStop, sizeof s.TimeStop, text);
            s.TimeNewFile = RegGetByte(key, names.newFile.c_str(), 0) != 0;
            RegGetText(key, names.prefix.c_str(), s.TimeNewFilePrefix, sizeof s.TimeNewFilePrefix, "");
            s.TimeDay = static_cast<DWORD>(RegGetByte(key, names.day.c_str(), 127));
        }
    }
}

void SaveTimerSettings(HKEY key, const char* iniPath, const TTimerSettings& settings)
{
    if (key) {
        RegSetByte(key, "TimerEnable", settings.TimerEnable);
    } else {
        IniSetInt(kSection, "TimerEnable", settings.TimerEnable, iniPath);
    }
    for (int n = 0; n < 3; ++n) {
        const TimerScheduleSettings& s = settings.Schedule[n];
        const Names names = NamesOf(n);
        if (key) {
            RegSetText(key, names.regStart.c_str(), s.TimeStart);
            RegSetText(key, names.regStop.c_str(), s.TimeStop);
            RegSetByte(key, names.newFile.c_str(), s.TimeNewFile);
            RegSetText(key, names.prefix.c_str(), s.TimeNewFilePrefix);
            RegSetByte(key, names.day.c_str(), s.TimeDay);
        } else {
            IniSetText(kSection, names.iniStart.c_str(), s.TimeStart, iniPath);
            IniSetText(kSection, names.iniStop.c_str(), s.TimeStop, iniPath);
            IniSetInt(kSection, names.newFile.c_str(), s.TimeNewFile, iniPath);
            IniSetText(kSection, names.prefix.c_str(), s.TimeNewFilePrefix, iniPath);
            IniSetInt(kSection, names.day.c_str(), s.TimeDay, iniPath);
        }
    }
}
