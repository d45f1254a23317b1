// The "Joy" settings (the actions of four joystick buttons) and their Load and Save.
#include "settings/JoySettings.h"

#include "settings/SettingsRules.h"

using namespace settings;

bool JoyEnable = false;
int JoyButton1 = 0;
int JoyButton2 = 0;
int JoyButton3 = 0;
int JoyButton4 = 0;

const char* const JoyActions[] = {"No action",
                                  "Record NO (Normally Open)",
                                  "Play NO",
                                  "Rewind NO",
                                  "Fast-forward NO",
                                  "Record NC (Normally Closed)",
                                  "Play NC",
                                  "Rewind NC",
                                  "Fast-forward NC",
                                  ""};

namespace {
struct Button {
    const char* name;
    int* value;
};
const Button kButtons[] = {
    {"JoyButton1", &JoyButton1}, {"JoyButton2", &JoyButton2}, {"JoyButton3", &JoyButton3}, {"JoyButton4", &JoyButton4}};
}

void LoadJoySettings(HKEY key, const char* iniPath)
{
    if (iniPath && *iniPath) {
        JoyEnable = IniGetInt("Joy", "JoyEnable", 0, iniPath) != 0;
        for (const auto& b : kButtons) {
            *b.value = IniGetInt("Joy", b.name, 0, iniPath);
        }
    } else {
        JoyEnable = RegGetByte(key, "JoyEnable", 0) != 0;
        for (const auto& b : kButtons) {
            *b.value = RegGetByte(key, b.name, 0);
        }
    }
}

void SaveJoySettings(HKEY key, const char* iniPath)
{
    if (key) {
        RegSetByte(key, "JoyEnable", JoyEnable);
        for (const auto& b : kButtons) {
            RegSetByte(key, b.name, *b.value);
        }
        return;
    }
    IniSetInt("Joy", "JoyEnable", JoyEnable, iniPath);
    for (const auto& b : kButtons) {
        IniSetInt("Joy", b.name, *b.value, iniPath);
    }
}
