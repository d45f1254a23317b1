// The "Driver" settings (wave output and input devices by name) and their Load and Save.
#include "settings/DriverSettings.h"

#include "settings/SettingsRules.h"

using namespace settings;

char WaveOutDriver[260] = "";
char WaveInDriver[260] = "";

void LoadDriverSettings(HKEY key, const char* iniPath)
{
    if (iniPath && *iniPath) {
        IniGetText("Driver", "WaveOutDriver", "-1", WaveOutDriver, sizeof WaveOutDriver, iniPath);
        IniGetText("Driver", "WaveInDriver", "-1", WaveInDriver, sizeof WaveInDriver, iniPath);
    } else {
        RegGetText(key, "WaveOutDriver", WaveOutDriver, sizeof WaveOutDriver, "-1");
        RegGetText(key, "WaveInDriver", WaveInDriver, sizeof WaveInDriver, "-1");
    }
}

void SaveDriverSettings(HKEY key, const char* iniPath)
{
    if (key) {
        RegSetText(key, "WaveOutDriver", WaveOutDriver);
        RegSetText(key, "WaveInDriver", WaveInDriver);
        return;
    }
    IniSetText("Driver", "WaveOutDriver", WaveOutDriver, iniPath);
    IniSetText("Driver", "WaveInDriver", WaveInDriver, iniPath);
}
