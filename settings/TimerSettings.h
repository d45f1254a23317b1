#pragma once
// Section "Timer" of the settings: the master switch and three daily schedules.
#include "platform/core/Types.h"
#include "platform/registry/Registry.h"

struct TimerScheduleSettings {
    char TimeStart[10];           // time of day as typed; empty = no start
    char TimeStop[10];            // empty = no stop
    short TimeNewFile;            // 1: close the file and begin a new one at the edges
    char TimeNewFilePrefix[260];  // base name of the new file; empty = automatic naming
    DWORD TimeDay;                // bit 0 Sunday ... bit 6 Saturday
};

struct TTimerSettings {
    short TimerEnable;
    TimerScheduleSettings Schedule[3];
};

extern TTimerSettings TimerSettings;

// From the INI file when iniPath is set and not empty, else from the key; nothing without settings.
void LoadTimerSettings(HKEY key, const char* iniPath, TTimerSettings* settings);
void SaveTimerSettings(HKEY key, const char* iniPath, const TTimerSettings& settings);
