// The "Mp3" settings (PCM side, codec format, tag switch, default file type) and their Load and Save.
#include "settings/Mp3Settings.h"

#include <cstring>

#include "app/FormatBuffers.h"
#include "files/Mp3TagSwitch.h"
#include "platform/acm/CodecFormats.h"
#include "settings/SettingsRules.h"

using namespace settings;

int Mp3SampleRate = 16000;
bool Mp3Stereo = false;
char Mp3ACMDriver[260] = "";
char Mp3ACMFormat[260] = "";
int DefaultAudioFormat = 0;
bool Mp3EnableTag = true;

namespace {
constexpr const char* kSection = "Mp3";
constexpr int kDefaultRate = 16000;

// The file types a recording can be made in; anything else records WAV.
int CheckedFileType(int type) { return type == 0 || type == 1 || type == 3 ? type : 0; }
}

void SetDefaultMp3Format(WAVEFORMATEX* format)
{
    const MPEGLAYER3WAVEFORMAT record = {{WAVE_FORMAT_MPEGLAYER3, 1, 16000, 4000, 1, 0, MPEGLAYER3_WFX_EXTRA_BYTES},
                                         MPEGLAYER3_ID_MPEG,
                                         MPEGLAYER3_FLAG_PADDING_OFF,
                                         144,
                                         1,
                                         1393};
    std::memcpy(format, &record, sizeof record);
}

void LoadMp3Settings(HKEY key, const char* iniPath)
{
    bool formatRead = false;
    if (iniPath && *iniPath) {
        DefaultAudioFormat = CheckedFileType(IniGetInt(kSection, "DefaultAudioFormat", 0, iniPath));
        Mp3EnableTag = IniGetInt(kSection, "Mp3EnableTag", 1, iniPath) != 0;
        char rate[20];
        IniGetText(kSection, "Mp3SampleRate", "16000", rate, sizeof rate, iniPath);
        Mp3SampleRate = DecimalOr(rate, 1, 100000, kDefaultRate);
        Mp3Stereo = IniGetInt(kSection, "Mp3Stereo", 0, iniPath) != 0;
        IniGetText(kSection, "Mp3ACMDriver", "", Mp3ACMDriver, sizeof Mp3ACMDriver, iniPath);
        IniGetText(kSection, "Mp3ACMFormat", "", Mp3ACMFormat, sizeof Mp3ACMFormat, iniPath);
        formatRead = IniGetFormat(kSection, "Mp3Format", Mp3FormatBuffer, FormatReadCapacity(), iniPath);
    } else {
        char rate[kTextSize];
        RegGetText(key, "Mp3SampleRate", rate, sizeof rate, "16000");
        Mp3SampleRate = DecimalOr(rate, 1, 100000, kDefaultRate);
        Mp3Stereo = RegGetByte(key, "Mp3Stereo", 0) != 0;
        RegGetText(key, "Mp3ACMDriver", Mp3ACMDriver, sizeof Mp3ACMDriver, "");
        RegGetText(key, "Mp3ACMFormat", Mp3ACMFormat, sizeof Mp3ACMFormat, "");
        formatRead = RegGetFormat(key, "Mp3Format", Mp3FormatBuffer, FormatReadCapacity());
        DefaultAudioFormat = CheckedFileType(RegGetByte(key, "DefaultAudioFormat", 0));
        Mp3EnableTag = RegGetByte(key, "Mp3EnableTag", 1) != 0;
    }
    if (!formatRead && Mp3FormatBuffer && FormatBufferBytes() >= sizeof(MPEGLAYER3WAVEFORMAT)) {
        SetDefaultMp3Format(Mp3FormatBuffer);
    }
    Mp3EnableTagSwitch = Mp3EnableTag;
}

void SaveMp3Settings(HKEY key, const char* iniPath)
{
    if (key) {
        RegSetByte(key, "Mp3Stereo", Mp3Stereo);
        RegSetDecimal(key, "Mp3SampleRate", Mp3SampleRate);
        RegSetText(key, "Mp3ACMDriver", Mp3ACMDriver);
        RegSetText(key, "Mp3ACMFormat", Mp3ACMFormat);
        if (Mp3FormatBuffer) {
            RegSetDecimal(key, "Mp3AvgBytesPerSec", Mp3FormatBuffer->nAvgBytesPerSec);
            RegSetFormat(key, "Mp3Format", Mp3FormatBuffer);
        }
        RegSetByte(key, "DefaultAudioFormat", DefaultAudioFormat);
        RegSetByte(key, "Mp3EnableTag", Mp3EnableTag);
        return;
    }
    IniSetInt(kSection, "DefaultAudioFormat", DefaultAudioFormat, iniPath);
    IniSetInt(kSection, "Mp3EnableTag", Mp3EnableTag, iniPath);
    IniSetInt(kSection, "Mp3SampleRate", Mp3SampleRate, iniPath);
    IniSetInt(kSection, "Mp3Stereo", Mp3Stereo, iniPath);
    IniSetText(kSection, "Mp3ACMDriver", Mp3ACMDriver, iniPath);
    IniSetText(kSection, "Mp3ACMFormat", Mp3ACMFormat, iniPath);
    if (Mp3FormatBuffer) {
        IniSetFormat(kSection, "Mp3Format", Mp3FormatBuffer, static_cast<std::size_t>(MaxFormatSize),
                     FormatBufferBytes(), iniPath);
    }
}
