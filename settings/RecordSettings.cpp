// The "Record" settings (record mode and the silence time that ends a take) and their Load and Save.
#include "settings/RecordSettings.h"

#include "settings/SettingsRules.h"

using namespace settings;

int RecordMode = 0;
int TalkOff = 1;

void LoadRecordSettings(HKEY key, const char* iniPath)
{
    if (iniPath && *iniPath) {
        RecordMode = IniGetInt("Record", "RecordMode", 0, iniPath);
        if (RecordMode < 0 || RecordMode > 10) {
            RecordMode = 0;
        }
        TalkOff = IniGetInt("Record", "TalkOff", 1, iniPath);
    } else {
        RecordMode = RegGetByte(key, "RecordMode", 0);
        LONG value = 0;
        TalkOff = RegGetLong(key, "TalkOff", &value) ? value : 1;
    }
    if (TalkOff < 1) {
        TalkOff = 1;
    } else if (TalkOff > 9999) {
        TalkOff = 9999;
    }
}

void SaveRecordSettings(HKEY key, const char* iniPath)
{
    if (key) {
        RegSetByte(key, "RecordMode", RecordMode);
        RegSetLong(key, "TalkOff", TalkOff);
        return;
    }
    IniSetInt("Record", "RecordMode", RecordMode, iniPath);
    IniSetInt("Record", "TalkOff", TalkOff, iniPath);
}
