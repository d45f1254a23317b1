// Each settings section's keys, defaults and fallbacks, in the registry and in the INI file.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "platform/profile/Profile.h"
#include "settings/SettingsRules.h"
#include "platform/user/Controls.h"  // with SetKey.h: the hot-key flags are declared once
#include "prefs/PatternDialog.h"
#include "prefs/SetDriver.h"
#include "prefs/SetFile.h"
#include "prefs/SetJoy.h"
#include "prefs/SetKey.h"
#include "prefs/SetMp3.h"
#include "prefs/SetPlayBack.h"
#include "prefs/SetRecord.h"
#include "prefs/SetStart.h"
#include "prefs/SetTimer.h"
#include "prefs/SetVorbis.h"
#include "prefs/SetWave.h"
#include "settings/PatternTime.h"
#include "tests/settings/SettingsFixture.h"

namespace fs = std::filesystem;

namespace {
class Sections : public SettingsFixture {
protected:
    HKEY OpenKey()
    {
        HKEY key = nullptr;
        EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Fennwicke\\Tapvox", 0, nullptr, 0,
                                                 KEY_READ | KEY_WRITE, nullptr, &key, nullptr));
        return key;
    }
    void WriteIni(const std::string& text)
    {
        testsupport::WriteAll(ini, std::vector<std::uint8_t>(text.begin(), text.end()));
    }
};

TEST_F(Sections, TimerWithoutItsIniSectionIsOffWithEmptySchedulesOnEveryDay)
{
    WriteIni("[Setup]\nOnTop=1\n");
    TTimerSettings t;
    std::memset(&t, 0x55, sizeof t);
    TSetTimer::Load(nullptr, ini.c_str(), &t);
    EXPECT_EQ(0, t.TimerEnable);
    for (const auto& s : t.Schedule) {
        EXPECT_STREQ("", s.TimeStart);
        EXPECT_STREQ("", s.TimeStop);
        EXPECT_EQ(0, s.TimeNewFile);
        EXPECT_STREQ("", s.TimeNewFilePrefix);
        EXPECT_EQ(127u, s.TimeDay);
    }
}

TEST_F(Sections, TimerKeysAndTheirRegistryForms)
{
    TTimerSettings t {};
    t.TimerEnable = 1;
    std::strcpy(t.Schedule[1].TimeStart, "7:30pm");
    std::strcpy(t.Schedule[2].TimeStop, "0600");
    t.Schedule[2].TimeDay = 65;
    HKEY key = OpenKey();
    TSetTimer::Save(key, nullptr, t);
    RegCloseKey(key);
    EXPECT_EQ(std::string("7:30pm") + '\0', std::string(reinterpret_cast<const char*>(GetRaw("TimeStart2EC").data()), 7));
    EXPECT_EQ(5u, GetRaw("TimeStop3EC").size());
    EXPECT_EQ(std::vector<BYTE>{65}, GetRaw("TimeDay3"));
    PutText("TimeStartEC", "12:34:56:78:90");  // longer than the field
    PutRaw("TimeDay", REG_BINARY, "\x01\x02", 2);  // wrong size
    key = OpenKey();
    TTimerSettings back {};
    TSetTimer::Load(key, nullptr, &back);
    RegCloseKey(key);
    EXPECT_EQ(1, back.TimerEnable);
    EXPECT_STREQ("12:34:56:", back.Schedule[0].TimeStart);
    EXPECT_EQ(127u, back.Schedule[0].TimeDay);
    EXPECT_STREQ("7:30pm", back.Schedule[1].TimeStart);
    EXPECT_STREQ("0600", back.Schedule[2].TimeStop);
    EXPECT_EQ(65u, back.Schedule[2].TimeDay);

    TSetTimer::Save(nullptr, ini.c_str(), back);
    char text[32];
    GetPrivateProfileStringA("Timer", "TimeStop3", "", text, sizeof text, ini.c_str());
    EXPECT_STREQ("0600", text);
    EXPECT_EQ(65u, GetPrivateProfileIntA("Timer", "TimeDay3", 0, ini.c_str()));
}

TEST_F(Sections, TimerDayChoicesAndToday)
{
    TimerDayChoice list[12];
    TimerDayChoices(3, list);  // Wednesday
    EXPECT_EQ(127u, list[0].mask);
    EXPECT_EQ(62u, list[8].mask);
    EXPECT_EQ(65u, list[9].mask);
    EXPECT_EQ(8u, list[10].mask);
    EXPECT_EQ(3810, list[10].textId);
    EXPECT_EQ(0u, list[11].mask);
}

TEST_F(Sections, RecordAndPlayLimits)
{
    PutByte("RecordMode", 7);
    const LONG talkOff = 20000;
    PutRaw("TalkOff", REG_BINARY, &talkOff, 4);
    PutByte("SoundByte", 0);
    HKEY key = OpenKey();
    TSetRecord::Load(key, nullptr);
    TSetPlayBack::Load(key, nullptr);
    RegCloseKey(key);
    EXPECT_EQ(7, RecordMode) << "the registry value is not range-checked";
    EXPECT_EQ(9999, TalkOff);
    EXPECT_EQ(1, SoundByte);
    WriteIni("[Record]\nRecordMode=11\nTalkOff=0\n[Play]\nSoundByte=300\n");
    TSetRecord::Load(nullptr, ini.c_str());
    TSetPlayBack::Load(nullptr, ini.c_str());
    EXPECT_EQ(0, RecordMode);
    EXPECT_EQ(1, TalkOff);
    EXPECT_EQ(300, SoundByte);
    key = OpenKey();
    TSetRecord::Save(key, nullptr);
    RegCloseKey(key);
    EXPECT_EQ(4u, GetRaw("TalkOff").size());
    EXPECT_EQ(1u, GetRaw("RecordMode").size());
}

TEST_F(Sections, DriverNamesDefaultToTheWaveMapper)
{
    HKEY key = OpenKey();
    TSetDriver::Load(key, nullptr);
    EXPECT_STREQ("-1", WaveOutDriver);
    EXPECT_STREQ("-1", WaveInDriver);
    std::strcpy(WaveInDriver, "USB Audio");
    TSetDriver::Save(key, nullptr);
    RegCloseKey(key);
    std::strcpy(WaveInDriver, "");
    key = OpenKey();
    TSetDriver::Load(key, nullptr);
    RegCloseKey(key);
    EXPECT_STREQ("USB Audio", WaveInDriver);
    TSetDriver::Load(nullptr, ini.c_str());
    EXPECT_STREQ("-1", WaveInDriver);
}

TEST_F(Sections, GeneralFlagsAndAutostartEntry)
{
    WriteIni("[Setup]\nTrayIcon=5\n");
    TSetStart::Load(nullptr, ini.c_str());
    EXPECT_TRUE(TrayIcon);
    EXPECT_FALSE(OnTop);
    TSetStart::Save(nullptr, ini.c_str());
    EXPECT_EQ(1u, GetPrivateProfileIntA("Setup", "TrayIcon", 0, ini.c_str()));

    MinimizeOnStart = true;
    AddAutoStart();
    const std::string entry = dir.file("config") + "/autostart/Tapvox.desktop";
    ASSERT_TRUE(fs::exists(entry));
    const std::string text = ReadFile(entry);
    char module[MAX_PATH];
    const ssize_t n = readlink("/proc/self/exe", module, sizeof module - 1);
    ASSERT_GT(n, 0);
    module[n] = '\0';
    EXPECT_NE(std::string::npos, text.find(std::string("\nExec=") + module + " -m\n")) << text;
    RemoveAutoStart();
    EXPECT_FALSE(fs::exists(entry));
}

TEST_F(Sections, JoystickAndHotKeys)
{
    JoyButton1 = -1;
    JoyButton2 = 8;
    JoyEnable = true;
    HKEY key = OpenKey();
    TSetJoy::Save(key, nullptr);
    RegCloseKey(key);
    TSetJoy::Save(nullptr, ini.c_str());
    JoyButton1 = JoyButton2 = 0;
    key = OpenKey();
    TSetJoy::Load(key, nullptr);
    RegCloseKey(key);
    EXPECT_EQ(255, JoyButton1) << "no entry selected is stored as its low byte";
    EXPECT_EQ(8, JoyButton2);
    EXPECT_TRUE(JoyEnable);
    TSetJoy::Load(nullptr, ini.c_str());
    EXPECT_EQ(-1, JoyButton1);
    EXPECT_STREQ("Fast-forward NC", JoyActions[8]);
    EXPECT_STREQ("", JoyActions[9]);

    EXPECT_EQ(MOD_CONTROL | MOD_SHIFT, HotKeyModifiers(0x0341));
    EXPECT_EQ(0x41u, HotKeyVirtualKey(0x0341));
    EXPECT_EQ(MOD_ALT, HotKeyModifiers((HOTKEYF_ALT | HOTKEYF_EXT) << 8 | 0x20));
    EXPECT_EQ(0u, HotKeyModifiers(0));
    KeyPlay = 0x0341;
    KeyRecord = 0xFFFF;
    KeyActivate = 0;
    TSetKey::Save(nullptr, ini.c_str());
    KeyPlay = KeyRecord = 1;
    TSetKey::Load(nullptr, ini.c_str());
    EXPECT_EQ(0x0341, KeyPlay);
    EXPECT_EQ(0xFFFF, KeyRecord);
    EXPECT_EQ(0, KeyActivate);
    WritePrivateProfileStringA("Key", "KeyPlay", "65536", ini.c_str());
    TSetKey::Load(nullptr, ini.c_str());
    EXPECT_EQ(0, KeyPlay);
}

TEST_F(Sections, FileSectionDefaultsAndFallbacks)
{
    // Registry: a stored empty folder stays empty; the older "FilePrefix" is taken.
    PutText("DefaultDirectory", "");
    PutText("FilePrefix", "old");
    HKEY key = OpenKey();
    TSetFile::Load(key, nullptr);
    EXPECT_STREQ("", DefaultDirectory);
    EXPECT_STREQ("old", ImprovedFilePrefix);
    TSetFile::Save(key, nullptr);
    RegCloseKey(key);
    EXPECT_EQ(4u, GetRaw("ImprovedFilePrefix").size());

    // A stored relative folder is made absolute and current.
    fs::create_directories(dir.file("rec"));
    fs::current_path(dir.path());
    PutText("DefaultDirectory", "rec");
    key = OpenKey();
    TSetFile::Load(key, nullptr);
    RegCloseKey(key);
    EXPECT_EQ(fs::canonical(dir.file("rec")).string(), DefaultDirectory);
    EXPECT_EQ(fs::canonical(dir.file("rec")), fs::current_path());

    // No usable data folder: the temp folder.
    testsupport::WriteAll(dir.file("data"), {'x'});
    RegCloseKey(OpenKey());
    HKEY k = OpenKey();
    RegDeleteValueA(k, "DefaultDirectory");
    RegCloseKey(k);
    key = OpenKey();
    TSetFile::Load(key, nullptr);
    RegCloseKey(key);
    EXPECT_EQ(dir.file("cache") + "/tapvox/tmp/", DefaultDirectory);

    // INI: an empty value takes the same chain (the data folder is still a file here), never the program's folder.
    WriteIni("[File]\nDefaultDirectory=\nFileAction=11\nLHMode=256\nAutoName=11\nAutoPrompt=3\n");
    TSetFile::Load(nullptr, ini.c_str());
    EXPECT_EQ(dir.file("cache") + "/tapvox/tmp/", DefaultDirectory);
    EXPECT_EQ(0, FileAction);
    EXPECT_EQ(256, LHMode);
    EXPECT_FALSE(AutoName);
    EXPECT_TRUE(AutoPrompt);
    EXPECT_STREQ("rec", ImprovedFilePrefix);
    EXPECT_EQ(20, FileSize);
}

// strftime in the C locale is the reference: every code it knows, at dates on
// both sides of week and year edges, in a zone east and one west of Greenwich.
TEST_F(Sections, PatternCodesExpandAsStrftimeDoesInTheCLocale)
{
    const char* const codes[] = {"a",  "A",  "b",  "B",  "c",  "C",  "d",  "D",  "e",  "F",  "g",  "G",  "h",
                                 "H",  "I",  "j",  "k",  "l",  "m",  "M",  "n",  "p",  "P",  "r",  "R",  "s",
                                 "S",  "t",  "T",  "u",  "U",  "V",  "w",  "W",  "x",  "X",  "y",  "Y",  "z",
                                 "Z",  "%",  "Ec", "EC", "Ex", "EX", "Ey", "EY", "Od", "Oe", "OH", "OI", "Om",
                                 "OM", "OS", "Ou", "OU", "OV", "Ow", "OW", "Oy"};
    // 2024-03-06 12:00, 2021-01-01 (ISO week 53 of 2020), 2024-12-30 (week 1 of 2025), 2023-01-01 (a Sunday),
    // 1999-12-31 23:59:59, 2000-02-29 00:30, 2026-12-31 (ISO 2026 has 53 weeks), 2010-01-03.
    const std::time_t times[] = {1709726400, 1609459200, 1735560000, 1672531200, 946684799,
                                 951784200,  1798675200, 1262476800};
    for (const char* zone : {"UTC0", "<+0530>-5:30", "EST5EDT,M3.2.0,M11.1.0"}) {
        setenv("TZ", zone, 1);
        tzset();
        for (const std::time_t t : times) {
            std::tm local {};
            ASSERT_TRUE(localtime_r(&t, &local));
            for (const char* code : codes) {
                const std::string pattern = std::string("take-%") + code + "-end";
                char reference[128] = "";
                ASSERT_GT(std::strftime(reference, sizeof reference, pattern.c_str(), &local), 0u);
                std::string ours = "untouched";
                ASSERT_TRUE(ExpandPatternTime(pattern, local, 258, &ours)) << pattern;
                EXPECT_EQ(std::string(reference), ours) << pattern << " at " << t << " in " << zone;
            }
        }
    }
    setenv("TZ", "UTC0", 1);
    tzset();
    std::tm local {};
    const std::time_t t = 1709726400;
    localtime_r(&t, &local);
    for (const char* bad : {"%Q", "%Ea", "%Ob", "rec%", "%-d", "%5Y", "%E"}) {
        std::string out = "untouched";
        EXPECT_FALSE(ExpandPatternTime(bad, local, 258, &out)) << bad;
        EXPECT_EQ("untouched", out);
    }
    std::string out;
    EXPECT_FALSE(ExpandPatternTime("%Y%Y%Y", local, 11, &out)) << "12 characters";
    EXPECT_TRUE(ExpandPatternTime("%Y%Y%Y", local, 12, &out));
    EXPECT_EQ("09-rec_1.wav", PatternExampleName("%U-rec", true, 0, t)) << "the week of the year, Sunday first";
}

TEST_F(Sections, FilePageExampleAndEstimate)
{
    setenv("TZ", "UTC0", 1);
    tzset();
    std::tm when {};
    when.tm_year = 124;
    when.tm_mon = 2;
    when.tm_mday = 5;
    when.tm_hour = 14;
    const std::time_t t = timegm(&when);
    EXPECT_EQ("20240305-rec_1.mp3", FileExampleName("%Y%m%d-rec", 0, 1, t));
    EXPECT_EQ("20240305-rec.ogg", FileExampleName("%Y%m%d-rec", 1, 3, t));
    EXPECT_EQ("rec_1.wav", PatternExampleName("", true, 0, t));
    EXPECT_EQ("", PatternExampleName("%Q-rec", true, 0, t)) << "unknown code";
    EXPECT_EQ("", PatternExampleName("rec%", true, 0, t));
    EXPECT_EQ("", PatternExampleName(std::string(300, 'a').c_str(), true, 0, t));
    EXPECT_EQ("100%_1.wav", PatternExampleName("100%%", true, 0, t));

    std::string label, value;
    ASSERT_TRUE(FileLimitEstimate(20, 16000, false, &label, &value));
    EXPECT_EQ("21.8 minutes", value);
    EXPECT_EQ("Total recording time at default sample rate:", label);
    ASSERT_TRUE(FileLimitEstimate(10, 16000, true, &label, &value));
    EXPECT_EQ("9.2 MB", value);
    label = value = "unchanged";
    EXPECT_FALSE(FileLimitEstimate(20, 0, false, &label, &value));
    EXPECT_EQ("unchanged", value);

    settings::SetDefaultWaveFormat(RecordFormatBuffer);
    SampleRate = 44100;
    Resolution = true;
    VorByteRate = 10750;
    SetDefaultMp3Format(Mp3FormatBuffer);
    EXPECT_EQ(8000, DefaultFormatBytesPerSecond(0, 0));
    EXPECT_EQ(10750, DefaultFormatBytesPerSecond(3, 0));
    EXPECT_EQ(4000, DefaultFormatBytesPerSecond(1, 0));
    Mp3FormatBuffer->nAvgBytesPerSec = 0;
    EXPECT_EQ(88200, DefaultFormatBytesPerSecond(1, 0));
    EXPECT_EQ(1234, DefaultFormatBytesPerSecond(1, 1234));
}

TEST_F(Sections, PatternCharacterSetAndCodeTable)
{
    const TExceptCharSet set(kPatternExcluded);
    for (const char c : {':', '*', '?'}) {
        EXPECT_FALSE(set.Has(static_cast<unsigned char>(c))) << c;
    }
    for (const char c : {'/', '\\', '<', '>', '|', '"', 'a', '%', '-'}) {
        EXPECT_TRUE(set.Has(static_cast<unsigned char>(c))) << c;
    }
    const TExceptCharSet range("a-cx");
    EXPECT_FALSE(range.Has('a'));
    EXPECT_FALSE(range.Has('b'));
    EXPECT_FALSE(range.Has('c'));
    EXPECT_FALSE(range.Has('x'));
    EXPECT_TRUE(range.Has('d'));
    EXPECT_TRUE(range.Has('-'));
    const TExceptCharSet chained("a-c-e");  // the second range starts at the first one's end
    EXPECT_FALSE(chained.Has('d'));
    EXPECT_TRUE(chained.Has('-'));
    EXPECT_TRUE(chained.Has('f'));
    const TExceptCharSet dashes("-q-");
    EXPECT_FALSE(dashes.Has('-'));
    EXPECT_FALSE(dashes.Has('q'));
    EXPECT_TRUE(dashes.Has('r'));
    EXPECT_STREQ(" ", PatternCodes[0].code);
    EXPECT_STREQ("%Z", PatternCodes[16].code);
    EXPECT_STREQ("", PatternCodes[17].text);
}

TEST_F(Sections, VorbisRateTextAndReadsFromTheIniWhenBothStoresAreGiven)
{
    EXPECT_EQ("0.961 MB/min    134 kbit/sec", VorbisRateText(134400));
    EXPECT_EQ("0.000 MB/min    0 kbit/sec", VorbisRateText(0));
    PutText("VorQ", "9");
    WriteIni("[Vorbis]\nVorQ=2\n");
    HKEY key = OpenKey();
    TSetVorbis::Load(key, ini.c_str());
    RegCloseKey(key);
    EXPECT_EQ(2, VorQ);
}

TEST_F(Sections, WaveFormatTagKeepsItsLowByteInTheRegistryAndItsWholeValueInTheIni)
{
    ACMFormatTag = 0x161;
    HKEY key = OpenKey();
    TSetWave::Save(key, nullptr);
    RegCloseKey(key);
    TSetWave::Save(nullptr, ini.c_str());
    key = OpenKey();
    TSetWave::Load(key, nullptr);
    RegCloseKey(key);
    EXPECT_EQ(0x61, ACMFormatTag);
    TSetWave::Load(nullptr, ini.c_str());
    EXPECT_EQ(0x161, ACMFormatTag);
}
}
