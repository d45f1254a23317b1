#pragma once
// Every settings value as name -> text, to compare whole states readably, and
// setters that put every value to a chosen state.
#include <cstring>
#include <map>
#include <string>

#include "app/FormatBuffers.h"
#include "files/Mp3TagSwitch.h"
#include "settings/FileSettings.h"
#include "settings/Mp3Settings.h"
#include "settings/PlayBackSettings.h"
#include "settings/RecordSettings.h"
#include "settings/Settings.h"
#include "settings/StartSettings.h"
#include "settings/TimerSettings.h"
#include "settings/VorbisSettings.h"
#include "settings/WaveSettings.h"

inline std::string FormatHex(const WAVEFORMATEX* f)
{
    if (!f) {
        return "none";
    }
    std::string out;
    const auto* b = reinterpret_cast<const unsigned char*>(f);
    char two[3];
    for (std::size_t i = 0; i < WaveFormatSize(*f) && i < 2040; ++i) {
        std::snprintf(two, sizeof two, "%02x", b[i]);
        out += two;
    }
    return out;
}

inline std::map<std::string, std::string> SettingsSnapshot()
{
    std::map<std::string, std::string> s;
    auto put = [&](const char* name, auto value) { s[name] = std::to_string(value); };
    put("SoundLevel", SoundLevel);
    put("PlayRate", PlayRate);
    put("UseWinClip", UseWinClip);
    put("WindowX", SavedWindowX);
    put("WindowY", SavedWindowY);
    put("HangOverTime", HangOverTime);
    put("SampleRate", SampleRate);
    put("Resolution", Resolution);
    put("Stereo", Stereo);
    s["ACMDriver"] = ACMDriver;
    s["ACMFormat"] = ACMFormat;
    put("ACMFormatTag", ACMFormatTag);
    s["WaveFormat"] = FormatHex(RecordFormatBuffer);
    put("Mp3SampleRate", Mp3SampleRate);
    put("Mp3Stereo", Mp3Stereo);
    s["Mp3ACMDriver"] = Mp3ACMDriver;
    s["Mp3ACMFormat"] = Mp3ACMFormat;
    s["Mp3Format"] = FormatHex(Mp3FormatBuffer);
    put("DefaultAudioFormat", DefaultAudioFormat);
    put("Mp3EnableTag", Mp3EnableTag);
    put("Mp3EnableTagSwitch", Mp3EnableTagSwitch);
    put("VorStereo", VorStereo);
    put("VorSampleRate", VorSampleRate);
    put("VorQ", VorQ);
    put("VorByteRate", VorByteRate);
    put("RecordMode", RecordMode);
    put("TalkOff", TalkOff);
    put("SoundByte", SoundByte);
    put("OnTop", OnTop);
    put("TrayIcon", TrayIcon);
    put("ListenOnStart", ListenOnStart);
    put("MinimizeOnStart", MinimizeOnStart);
    put("FileSize", FileSize);
    put("FileAction", FileAction);
    put("LHMode", LHMode);
    put("AutoName", AutoName);
    put("AutoPrompt", AutoPrompt);
    s["DefaultDirectory"] = DefaultDirectory;
    s["ImprovedFilePrefix"] = ImprovedFilePrefix;
    put("FileLimitKind", FileLimitKind);
    put("TimerEnable", TimerSettings.TimerEnable);
    for (int n = 0; n < 3; ++n) {
        const auto& t = TimerSettings.Schedule[n];
        const std::string p = "Timer" + std::to_string(n + 1) + ".";
        s[p + "TimeStart"] = t.TimeStart;
        s[p + "TimeStop"] = t.TimeStop;
        s[p + "TimeNewFile"] = std::to_string(t.TimeNewFile);
        s[p + "TimeNewFilePrefix"] = t.TimeNewFilePrefix;
        s[p + "TimeDay"] = std::to_string(t.TimeDay);
    }
    return s;
}

// Values no load produces by itself, different from every default.
inline void SetUnusualSettings(const std::string& folder)
{
    SoundLevel = 37;
    PlayRate = 1.5f;
    UseWinClip = false;
    SavedWindowX = 300;
    SavedWindowY = 200;
    HangOverTime = 9;
    SampleRate = 22050;
    Resolution = true;
    Stereo = true;
    std::strcpy(ACMDriver, "IMA ADPCM");
    std::strcpy(ACMFormat, "22.050 kHz, 4 Bit, Stereo");
    ACMFormatTag = 0x11;
    // A 20-byte IMA ADPCM record with its extra word.
    const unsigned char ima[20] = {0x11, 0, 2, 0, 0x22, 0x56, 0, 0, 0xdb, 0x56, 0, 0, 0, 4, 4, 0, 2, 0, 0xf9, 3};
    std::memcpy(RecordFormatBuffer, ima, sizeof ima);
    Mp3SampleRate = 44100;
    Mp3Stereo = true;
    std::strcpy(Mp3ACMDriver, "MPEG Layer-3");
    std::strcpy(Mp3ACMFormat, "128 kBit/s, 44.100 kHz, Stereo");
    SetDefaultMp3Format(Mp3FormatBuffer);
    Mp3FormatBuffer->nSamplesPerSec = 44100;
    Mp3FormatBuffer->nAvgBytesPerSec = 16000;
    DefaultAudioFormat = 3;
    Mp3EnableTag = false;
    Mp3EnableTagSwitch = false;
    VorStereo = 1;
    VorSampleRate = 48000;
    VorQ = -1;
    VorByteRate = 8000;
    RecordMode = 2;
    TalkOff = 9999;
    SoundByte = 250;  // the registry keeps one byte
    OnTop = true;
    TrayIcon = true;
    ListenOnStart = true;
    MinimizeOnStart = true;
    FileSize = 650;
    FileAction = 3;
    LHMode = 256;
    AutoName = true;
    AutoPrompt = true;
    std::strcpy(DefaultDirectory, folder.c_str());
    std::strcpy(ImprovedFilePrefix, "%Y%m%d-%H%M rec; \"quoted\" = yes");
    FileLimitKind = 0;
    TimerSettings.TimerEnable = 1;
    const char* starts[3] = {"7:30pm", "", "23:00"};
    const char* stops[3] = {"20:00", "6am", "1:00"};
    const DWORD days[3] = {62, 0, 32};
    for (int n = 0; n < 3; ++n) {
        auto& t = TimerSettings.Schedule[n];
        std::strcpy(t.TimeStart, starts[n]);
        std::strcpy(t.TimeStop, stops[n]);
        t.TimeNewFile = static_cast<short>(n != 1);
        std::snprintf(t.TimeNewFilePrefix, sizeof t.TimeNewFilePrefix, "show %d", n + 1);
        t.TimeDay = days[n];
    }
}

// Garbage in every value, so a load that forgets one shows.
inline void PoisonSettings()
{
    SoundLevel = -99;
    PlayRate = -9.0f;
    UseWinClip = true;
    SavedWindowX = SavedWindowY = -999;
    HangOverTime = -1;
    SampleRate = Mp3SampleRate = VorSampleRate = -1;
    Resolution = Stereo = Mp3Stereo = false;
    std::strcpy(ACMDriver, "poison");
    std::strcpy(ACMFormat, "poison");
    std::strcpy(Mp3ACMDriver, "poison");
    std::strcpy(Mp3ACMFormat, "poison");
    ACMFormatTag = 0xEEEE;
    std::memset(RecordFormatBuffer, 0xEE, 18);
    std::memset(Mp3FormatBuffer, 0xEE, 18);
    DefaultAudioFormat = 77;
    Mp3EnableTag = true;
    Mp3EnableTagSwitch = true;
    VorStereo = VorQ = VorByteRate = -77;
    RecordMode = TalkOff = SoundByte = -77;
    OnTop = TrayIcon = ListenOnStart = MinimizeOnStart = false;
    FileSize = FileAction = LHMode = -77;
    AutoName = AutoPrompt = false;
    std::strcpy(DefaultDirectory, "poison");
    std::strcpy(ImprovedFilePrefix, "poison");
    FileLimitKind = 5;
    TimerSettings.TimerEnable = 9;
    for (auto& t : TimerSettings.Schedule) {
        std::strcpy(t.TimeStart, "poison");
        std::strcpy(t.TimeStop, "poison");
        t.TimeNewFile = 9;
        std::strcpy(t.TimeNewFilePrefix, "poison");
        t.TimeDay = 999;
    }
}
