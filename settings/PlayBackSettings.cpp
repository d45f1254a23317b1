// Section "Play" of the settings: SoundByte, loaded and saved with the other sections.
#include "settings/PlayBackSettings.h"

#include "settings/SettingsRules.h"

using namespace settings;

int SoundByte = 2;

void LoadPlayBackSettings(HKEY key, const char* iniPath)
{
    SoundByte = iniPath && *iniPath ? IniGetInt("Play", "SoundByte", 2, iniPath) : RegGetWide(key, "SoundByte", 2);
    if (SoundByte < 1) {
        SoundByte = 1;
    }
}

void SavePlayBackSettings(HKEY key, const char* iniPath)
{
    if (key) {
        // One byte, as other installations read it; wider values of earlier builds still load.
        RegSetByte(key, "SoundByte", SoundByte);
        return;
    }
    IniSetInt("Play", "SoundByte", SoundByte, iniPath);
}
