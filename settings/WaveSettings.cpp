// The "Wave" settings (PCM format and WAV compression format) and their Load and Save.
#include "settings/WaveSettings.h"

#include "app/FormatBuffers.h"
#include "settings/SettingsRules.h"

using namespace settings;

int SampleRate = 8000;
bool Resolution = false;
bool Stereo = false;
char ACMDriver[260] = "";
char ACMFormat[260] = "";
WORD ACMFormatTag = 0;

namespace {
constexpr const char* kSection = "Wave";
constexpr int kDefaultRate = 8000;
constexpr long long kMaxRate = 100000;
}

void LoadWaveSettings(HKEY key, const char* iniPath)
{
    const std::size_t capacity = FormatReadCapacity();
    bool formatRead = false;
    if (iniPath && *iniPath) {
        char rate[20];
        IniGetText(kSection, "SampleRate", "8000", rate, sizeof rate, iniPath);
        SampleRate = DecimalOr(rate, 1, kMaxRate, kDefaultRate);
        Resolution = IniGetInt(kSection, "Resolution", 0, iniPath) != 0;
        Stereo = IniGetInt(kSection, "Stereo", 0, iniPath) != 0;
        IniGetText(kSection, "ACMDriver", "", ACMDriver, sizeof ACMDriver, iniPath);
        IniGetText(kSection, "ACMFormat", "", ACMFormat, sizeof ACMFormat, iniPath);
        ACMFormatTag = static_cast<WORD>(IniGetInt(kSection, "ACMFormatTag", 0, iniPath));
        formatRead = IniGetFormat(kSection, "WaveFormat", RecordFormatBuffer, capacity, iniPath);
    } else {
        char rate[kTextSize];
        RegGetText(key, "SampleRate", rate, sizeof rate, "8000");
        SampleRate = DecimalOr(rate, 1, kMaxRate, kDefaultRate);
        Resolution = RegGetByte(key, "Resolution", 0) != 0;
        Stereo = RegGetByte(key, "Stereo", 0) != 0;
        RegGetText(key, "ACMDriver", ACMDriver, sizeof ACMDriver, "");
        RegGetText(key, "ACMFormat", ACMFormat, sizeof ACMFormat, "");
        ACMFormatTag = static_cast<WORD>(RegGetByte(key, "ACMFormatTag", 0));
        formatRead = RegGetFormat(key, "WaveFormat", RecordFormatBuffer, capacity);
    }
    if (!formatRead && RecordFormatBuffer) {
        SetDefaultWaveFormat(RecordFormatBuffer);
    }
}

void SaveWaveSettings(HKEY key, const char* iniPath)
{
    if (key) {
        RegSetByte(key, "Stereo", Stereo);
        RegSetDecimal(key, "SampleRate", SampleRate);
        RegSetByte(key, "Resolution", Resolution);
        RegSetText(key, "ACMDriver", ACMDriver);
        RegSetText(key, "ACMFormat", ACMFormat);
        RegSetByte(key, "ACMFormatTag", ACMFormatTag);
        if (RecordFormatBuffer) {
            RegSetDecimal(key, "AvgBytesPerSec", RecordFormatBuffer->nAvgBytesPerSec);
            RegSetFormat(key, "WaveFormat", RecordFormatBuffer);
        }
        return;
    }
    IniSetInt(kSection, "SampleRate", SampleRate, iniPath);
    IniSetInt(kSection, "Resolution", Resolution, iniPath);
    IniSetInt(kSection, "Stereo", Stereo, iniPath);
    IniSetText(kSection, "ACMDriver", ACMDriver, iniPath);
    IniSetText(kSection, "ACMFormat", ACMFormat, iniPath);
    IniSetInt(kSection, "ACMFormatTag", ACMFormatTag, iniPath);
    if (RecordFormatBuffer) {
        IniSetFormat(kSection, "WaveFormat", RecordFormatBuffer, static_cast<std::size_t>(MaxFormatSize),
                     FormatBufferBytes(), iniPath);
    }
}
