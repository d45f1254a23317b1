// The "Vorbis" settings (channels, rate, quality, estimated byte rate) and their Load and Save.
#include "settings/VorbisSettings.h"

#include "settings/SettingsStore.h"

int VorStereo = 0;
int VorSampleRate = 44100;
int VorQ = 4;
int VorByteRate = 10750;

void LoadVorbisSettings(HKEY key, const char* iniPath)
{
    // Exactly one store: the INI file when a path is given, else the key.
    SettingsStore store(iniPath && *iniPath ? nullptr : key, iniPath, "Vorbis");
    VorStereo = store.GetInt("VorStereo", 0) != 0;
    VorSampleRate = store.GetInt("VorSampleRate", 44100);
    if (VorSampleRate < 1 || VorSampleRate > 100000) {
        VorSampleRate = 44100;
    }
    VorQ = store.GetInt("VorQ", 4);
    if (VorQ < -1 || VorQ > 10) {
        VorQ = 4;
    }
    VorByteRate = store.GetInt("VorByteRate", 10750);
}

void SaveVorbisSettings(HKEY key, const char* iniPath)
{
    // Exactly one store: the key when open, else the INI file.
    SettingsStore store(key, key ? nullptr : iniPath, "Vorbis");
    store.SetInt("VorStereo", VorStereo);
    store.SetInt("VorSampleRate", VorSampleRate);
    store.SetInt("VorQ", VorQ);
    store.SetInt("VorByteRate", VorByteRate);
}
