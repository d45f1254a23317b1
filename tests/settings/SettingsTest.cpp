// Every setting through registry and INI file: defaults, round trips, bounds, and saves killed at any moment.
#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/profile/Profile.h"
#include "settings/SettingsMessages.h"
#include "settings/SettingsRules.h"
#include "settings/SettingsStore.h"
#include "tests/settings/SettingsFixture.h"
#include "tests/settings/SettingsValues.h"

namespace fs = std::filesystem;

namespace {
using Settings = SettingsFixture;

TEST_F(Settings, FirstStartWithAnEmptyRegistryGivesTheDefaults)
{
    PoisonSettings();
    UseWinClip = false;
    Mp3EnableTag = false;
    Mp3EnableTagSwitch = false;
    LoadAllSettings(nullptr);
    EXPECT_EQ(0, SoundLevel);
    EXPECT_FLOAT_EQ(1.0f, PlayRate);
    EXPECT_TRUE(UseWinClip);
    EXPECT_EQ(100, SavedWindowX);
    EXPECT_EQ(100, SavedWindowY);
    EXPECT_EQ(0, DefaultAudioFormat);
    EXPECT_EQ(1, HangOverTime);
    EXPECT_EQ(8000, SampleRate);
    EXPECT_FALSE(Resolution);
    EXPECT_STREQ("", ACMDriver);
    EXPECT_EQ("01000100401f0000401f0000010008000000", FormatHex(RecordFormatBuffer));
    EXPECT_EQ("55000100803e0000a00f00000100" "00000c00" "010002000000900001007105", FormatHex(Mp3FormatBuffer));
    EXPECT_EQ(16000, Mp3SampleRate);
    EXPECT_TRUE(Mp3EnableTag);
    EXPECT_TRUE(Mp3EnableTagSwitch) << "the MP3 file layer gets the tag flag";
    EXPECT_EQ(44100, VorSampleRate);
    EXPECT_EQ(4, VorQ);
    EXPECT_EQ(10750, VorByteRate);
    EXPECT_EQ(0, RecordMode);
    EXPECT_EQ(1, TalkOff);
    EXPECT_EQ(2, SoundByte);
    EXPECT_FALSE(OnTop || TrayIcon || ListenOnStart || MinimizeOnStart);
    EXPECT_EQ(20, FileSize);
    EXPECT_EQ(0, FileAction);
    EXPECT_EQ(0, LHMode);
    EXPECT_FALSE(AutoName || AutoPrompt);
    EXPECT_STREQ("rec", ImprovedFilePrefix);
    EXPECT_EQ(dir.file("data") + "/Tapvox/", DefaultDirectory);
    EXPECT_TRUE(fs::is_directory(dir.file("data") + "/Tapvox"));
    EXPECT_EQ(0, TimerSettings.TimerEnable);
    for (const auto& t : TimerSettings.Schedule) {
        EXPECT_STREQ("", t.TimeStart);
        EXPECT_EQ(127u, t.TimeDay);
    }
    EXPECT_TRUE(fs::exists(StoreFile())) << "loading creates the key";
}

TEST_F(Settings, SaveAllThenLoadAllThroughTheRegistryKeepsEveryValue)
{
    SetUnusualSettings(dir.path());
    ActiveWindowAt(SavedWindowX, SavedWindowY);
    const auto saved = SettingsSnapshot();
    SaveAllSettings(nullptr);
    PoisonSettings();
    LoadAllSettings(nullptr);
    auto loaded = SettingsSnapshot();
    auto expected = saved;
    expected["HangOverTime"] = "1";             // always reset by a load
    expected["DefaultDirectory"] = fs::canonical(dir.path()).string();  // made absolute
    EXPECT_EQ(expected, loaded);
    testsupport::SaveSeed("registry_store", StoreFile());
}

TEST_F(Settings, SaveAllThenLoadAllThroughAnIniFileKeepsWhatTheFileStores)
{
    SetUnusualSettings(dir.path());
    const auto saved = SettingsSnapshot();
    SaveAllSettings(ini.c_str());
    PoisonSettings();
    LoadAllSettings(ini.c_str());
    auto expected = saved;
    expected["HangOverTime"] = "1";
    expected["PlayRate"] = std::to_string(1.0f);  // not stored in the file
    expected["WindowX"] = expected["WindowY"] = "100";
    expected["UseWinClip"] = "1";  // read from the file but never written there
    EXPECT_EQ(expected, SettingsSnapshot());
    EXPECT_FALSE(fs::exists(StoreFile())) << "the INI form leaves the registry alone";
    const std::string text = ReadFile(ini);
    EXPECT_NE(std::string::npos, text.find("Sound Level=37"));
    for (const char* absent : {"PlayRate", "UseWinClip", "WindowX", "WindowY", "AvgBytesPerSec"}) {
        EXPECT_EQ(std::string::npos, text.find(absent)) << absent;
    }
    testsupport::SaveSeed("ini_profile", ini);
}

TEST_F(Settings, AnIniFileWrittenBySaveAllReadsTheSameInConfigparser)
{
    TAPVOX_REQUIRE_TOOL("python3");
    SetUnusualSettings(dir.path());
    SaveAllSettings(ini.c_str());
    const std::string script =
        "import configparser,sys\n"
        "c=configparser.ConfigParser(interpolation=None,strict=True)\n"
        "c.optionxform=str\n"
        "c.read(sys.argv[1])\n"
        "for s in c.sections():\n"
        "  for k,v in c.items(s):\n"
        "    print(s+'/'+k+'='+v)\n";
    testsupport::WriteAll(dir.file("read.py"), std::vector<std::uint8_t>(script.begin(), script.end()));
    int status = -1;
    const std::string out = testsupport::RunCapture("python3 " + dir.file("read.py") + " " + ini, &status);
    ASSERT_EQ(0, status) << out;
    std::map<std::string, std::string> values;
    std::size_t start = 0;
    while (start < out.size()) {
        const std::size_t end = out.find('\n', start);
        const std::string line = out.substr(start, end - start);
        start = end + 1;
        const std::size_t eq = line.find('=');
        values[line.substr(0, eq)] = line.substr(eq + 1);
    }
    EXPECT_EQ("37", values["Setup/Sound Level"]);
    EXPECT_EQ("1", values["Setup/OnTop"]);
    EXPECT_EQ("22050", values["Wave/SampleRate"]);
    EXPECT_EQ("IMA ADPCM", values["Wave/ACMDriver"]);
    EXPECT_EQ("17", values["Wave/ACMFormatTag"]);
    const std::string waveHex = values["Wave/WaveFormat"];
    EXPECT_EQ(4000u, waveHex.size()) << "the whole buffer, as far as MaxFormatSize reaches";
    EXPECT_EQ(FormatHex(RecordFormatBuffer), waveHex.substr(0, 40));
    EXPECT_EQ(FormatHex(Mp3FormatBuffer), values["Mp3/Mp3Format"].substr(0, 60));
    EXPECT_EQ("3", values["Mp3/DefaultAudioFormat"]);
    EXPECT_EQ("0", values["Mp3/Mp3EnableTag"]);
    EXPECT_EQ("-1", values["Vorbis/VorQ"]);
    EXPECT_EQ("48000", values["Vorbis/VorSampleRate"]);
    EXPECT_EQ("250", values["Play/SoundByte"]);
    EXPECT_EQ("9999", values["Record/TalkOff"]);
    EXPECT_EQ("650", values["File/FileSize"]);
    EXPECT_EQ("256", values["File/LHMode"]);
    EXPECT_EQ(ImprovedFilePrefix, values["File/ImprovedFilePrefix"]);
    EXPECT_EQ(dir.path(), values["File/DefaultDirectory"]);
    EXPECT_EQ("7:30pm", values["Timer/TimeStart"]);
    EXPECT_EQ("", values["Timer/TimeStart2"]);
    EXPECT_EQ("1:00", values["Timer/TimeStop3"]);
    EXPECT_EQ("show 2", values["Timer/TimeNewFilePrefix2"]);
    EXPECT_EQ("32", values["Timer/TimeDay3"]);
    EXPECT_EQ("1", values["Timer/TimerEnable"]);
}

TEST_F(Settings, WindowPositionOutsideTheScreenLoadsAs100)
{
    ASSERT_EQ(1920, GetSystemMetrics(SM_CXSCREEN));
    ASSERT_EQ(1080, GetSystemMetrics(SM_CYSCREEN));
    const LONG minus5 = -5, wide = 1821, fits = 1820;
    PutRaw("WindowX", REG_BINARY, &minus5, 4);
    PutRaw("WindowY", REG_BINARY, &fits, 4);
    LoadAllSettings(nullptr);
    EXPECT_EQ(100, SavedWindowX);
    EXPECT_EQ(100, SavedWindowY) << "1820 is beyond the height minus 100";
    PutRaw("WindowX", REG_BINARY, &wide, 4);
    PutRaw("WindowY", REG_BINARY, &minus5, 4);
    const LONG y = 980;
    LoadAllSettings(nullptr);
    EXPECT_EQ(100, SavedWindowX);
    PutRaw("WindowX", REG_BINARY, &fits, 4);
    PutRaw("WindowY", REG_BINARY, &y, 4);
    LoadAllSettings(nullptr);
    EXPECT_EQ(1820, SavedWindowX);
    EXPECT_EQ(980, SavedWindowY);
    // Without an active window save-all keeps the stored position.
    ASSERT_EQ(nullptr, GetActiveWindow());
    SavedWindowX = 5;
    SaveAllSettings(nullptr);
    LoadAllSettings(nullptr);
    EXPECT_EQ(1820, SavedWindowX);
    // With one, the main window's position is saved: the application's source, else the active window's corner.
    const HWND frame = ActiveWindowAt(250, 150);
    ASSERT_EQ(frame, GetActiveWindow());
    SaveAllSettings(nullptr);
    LoadAllSettings(nullptr);
    EXPECT_EQ(250, SavedWindowX);
    EXPECT_EQ(150, SavedWindowY);
    SetMainWindowPositionSource([](LONG* x, LONG* y) {
        *x = 640;
        *y = 480;
        return true;
    });
    SaveAllSettings(nullptr);
    LoadAllSettings(nullptr);
    EXPECT_EQ(640, SavedWindowX);
    EXPECT_EQ(480, SavedWindowY);
}

TEST_F(Settings, IniWithoutSoundLevelGivesZeroAndLoadingResetsPlayRateAndPosition)
{
    WritePrivateProfileStringA("Setup", "UseWinClip", "0", ini.c_str());
    SoundLevel = 50;
    PlayRate = 1.7f;
    SavedWindowX = SavedWindowY = 400;
    LoadAllSettings(ini.c_str());
    EXPECT_EQ(0, SoundLevel) << "the default 128 is out of range";
    EXPECT_FLOAT_EQ(1.0f, PlayRate);
    EXPECT_EQ(100, SavedWindowX);
    EXPECT_EQ(100, SavedWindowY);
    EXPECT_FALSE(UseWinClip);
}

TEST_F(Settings, FormatOf50BytesIs50InTheRegistryAnd4000HexCharactersInTheIni)
{
    std::memset(RecordFormatBuffer, 0, 2040);
    settings::SetDefaultWaveFormat(RecordFormatBuffer);
    RecordFormatBuffer->wFormatTag = 2;
    RecordFormatBuffer->cbSize = 32;
    reinterpret_cast<unsigned char*>(RecordFormatBuffer)[60] = 0xAB;  // beyond the record
    SaveAllSettings(nullptr);
    EXPECT_EQ(50u, GetRaw("WaveFormat").size());
    SaveAllSettings(ini.c_str());
    char hex[4002];
    EXPECT_EQ(4000u, GetPrivateProfileStringA("Wave", "WaveFormat", "", hex, sizeof hex, ini.c_str()));
    EXPECT_EQ("ab", std::string(hex + 120, 2)) << "whatever follows the record is written too";
    std::memset(RecordFormatBuffer, 0, 2040);
    LoadAllSettings(ini.c_str());
    EXPECT_EQ(2, RecordFormatBuffer->wFormatTag);
    EXPECT_EQ(32, RecordFormatBuffer->cbSize);
}

TEST_F(Settings, StoredFormatRecordsMustBeWhole)
{
    // cbSize 500 in a record of 18 stored bytes: taken literally, later copies read 500 bytes past it.
    WAVEFORMATEX f{};
    settings::SetDefaultWaveFormat(&f);
    f.cbSize = 500;
    PutRaw("WaveFormat", REG_BINARY, &f, sizeof f);
    // 30 stored bytes whose cbSize claims only 4.
    unsigned char thirty[30] = {};
    SetDefaultMp3Format(reinterpret_cast<WAVEFORMATEX*>(thirty));
    reinterpret_cast<WAVEFORMATEX*>(thirty)->cbSize = 4;
    reinterpret_cast<WAVEFORMATEX*>(thirty)->nSamplesPerSec = 22050;
    PutRaw("Mp3Format", REG_BINARY, thirty, sizeof thirty);
    LoadAllSettings(nullptr);
    EXPECT_EQ("01000100401f0000401f0000010008000000", FormatHex(RecordFormatBuffer));
    EXPECT_EQ(16000u, Mp3FormatBuffer->nSamplesPerSec) << "the default record, not the damaged one";
    EXPECT_EQ(12, Mp3FormatBuffer->cbSize);

    // A whole record is taken.
    reinterpret_cast<WAVEFORMATEX*>(thirty)->cbSize = 12;
    PutRaw("Mp3Format", REG_BINARY, thirty, sizeof thirty);
    LoadAllSettings(nullptr);
    EXPECT_EQ(22050u, Mp3FormatBuffer->nSamplesPerSec);

    // INI: a cbSize beyond the decoded text or the capacity, a short text, a non-hex pair.
    const std::string pcm = "01000100401f0000401f000001000800";
    const char* bad[] = {"01000100401f0000401f0000010008000001",  // cbSize 256 with nothing after it
                         "010001", "010001zz401f0000401f0000010008000000", ""};
    for (const char* text : bad) {
        SCOPED_TRACE(text);
        WritePrivateProfileStringA("Wave", "WaveFormat", text, ini.c_str());
        std::memset(RecordFormatBuffer, 0xEE, 40);
        LoadAllSettings(ini.c_str());
        EXPECT_EQ("01000100401f0000401f0000010008000000", FormatHex(RecordFormatBuffer));
    }
    std::string big = "0200010044ac0000" "44ac0000" "0100" "0800" "d007";  // cbSize 2000 > capacity 1982
    big += std::string(4000, '0');
    WritePrivateProfileStringA("Wave", "WaveFormat", big.c_str(), ini.c_str());
    LoadAllSettings(ini.c_str());
    EXPECT_EQ(1, RecordFormatBuffer->wFormatTag);
}

TEST_F(Settings, IniFormatKeepsTheWholeRecordWhenTheBufferSizeInForceIs18)
{
    MaxFormatSize = 18;  // compression manager switched off
    settings::SetDefaultWaveFormat(RecordFormatBuffer);
    SetDefaultMp3Format(Mp3FormatBuffer);
    Mp3FormatBuffer->nAvgBytesPerSec = 12345;
    SaveAllSettings(ini.c_str());
    char hex[200];
    EXPECT_EQ(60u, GetPrivateProfileStringA("Mp3", "Mp3Format", "", hex, sizeof hex, ini.c_str()));
    EXPECT_EQ(36u, GetPrivateProfileStringA("Wave", "WaveFormat", "", hex, sizeof hex, ini.c_str()));
    MaxFormatSize = 2000;
    std::memset(Mp3FormatBuffer, 0, 40);
    LoadAllSettings(ini.c_str());
    EXPECT_EQ(12345u, Mp3FormatBuffer->nAvgBytesPerSec);
    EXPECT_EQ(12, Mp3FormatBuffer->cbSize);
}

TEST_F(Settings, NumbersBeyond32BitsOrWithoutDigitsGiveTheDefault)
{
    PutText("SampleRate", "4294975296");  // 2^32 + 8000: 8000 once cut to 32 bits
    PutText("Mp3SampleRate", "abc");
    PutText("VorQ", "4294967297");
    PutText("VorSampleRate", "  22050xyz");
    PutText("FileSize", "-5");
    PutText("KeyPlay", "70000");
    LoadAllSettings(nullptr);
    EXPECT_EQ(8000, SampleRate);
    EXPECT_EQ(16000, Mp3SampleRate);
    EXPECT_EQ(4, VorQ);
    EXPECT_EQ(22050, VorSampleRate) << "leading digits count, as with %ld";
    EXPECT_EQ(20, FileSize);
    PutText("SampleRate", "4294967296");  // 0 once cut: also refused, not a rate of 0
    LoadAllSettings(nullptr);
    EXPECT_EQ(8000, SampleRate);

    HKEY key = nullptr;
    RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Fennwicke\\Tapvox", 0, KEY_READ, &key);
    SettingsStore store(key, nullptr, "Vorbis");
    EXPECT_EQ(-3, store.GetInt("VorQ", -3));
    EXPECT_EQ(-3, store.GetInt("Missing", -3));
    EXPECT_EQ(-3, store.GetInt("Mp3SampleRate", -3)) << "not a number";
    EXPECT_EQ(22050, store.GetInt("VorSampleRate", -3));
    RegCloseKey(key);
}

TEST_F(Settings, PlayRateIsWrittenAndReadInTheCLocale)
{
    TAPVOX_REQUIRE_TOOL("localedef");
    const std::string locales = dir.file("locales");
    fs::create_directories(locales);
    int status = -1;
    testsupport::RunCapture("localedef -i de_DE -f UTF-8 " + locales + "/de_DE.UTF-8 2>/dev/null", &status);
    setenv("LOCPATH", locales.c_str(), 1);
    if (!setlocale(LC_ALL, "de_DE.UTF-8")) {
        GTEST_SKIP() << "no locale with a decimal comma";
    }
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.2f", 1.5);
    ASSERT_STREQ("1,50", probe);
    PlayRate = 1.5f;
    SaveAllSettings(nullptr);
    EXPECT_EQ("1.50", std::string(reinterpret_cast<const char*>(GetRaw("PlayRate").data())));
    PlayRate = 0;
    LoadAllSettings(nullptr);
    EXPECT_FLOAT_EQ(1.5f, PlayRate);
    setlocale(LC_ALL, "C");
    LoadAllSettings(nullptr);
    EXPECT_FLOAT_EQ(1.5f, PlayRate);
}

TEST_F(Settings, OutOfRangeValuesLoadAsTheirDefaults)
{
    PutByte("SoundLevel", 101);
    PutByte("DefaultAudioFormat", 2);
    PutByte("FileAction", 4);
    PutText("SampleRate", "100001");
    PutText("Mp3SampleRate", "0");
    PutText("VorSampleRate", "-44100");
    PutText("VorQ", "11");
    PutText("FileSize", "abc");
    const char* rates[] = {"5.0", "0.1", "nan", "inf", "-1", "x", "2.01"};
    for (const char* rate : rates) {
        SCOPED_TRACE(rate);
        PutText("PlayRate", rate);
        LoadAllSettings(nullptr);
        EXPECT_FLOAT_EQ(1.0f, PlayRate);
    }
    EXPECT_EQ(0, SoundLevel);
    EXPECT_EQ(0, DefaultAudioFormat);
    EXPECT_EQ(0, FileAction);
    EXPECT_EQ(8000, SampleRate);
    EXPECT_EQ(16000, Mp3SampleRate);
    EXPECT_EQ(44100, VorSampleRate);
    EXPECT_EQ(4, VorQ);
    EXPECT_EQ(20, FileSize);
    PutByte("SoundLevel", 100);
    PutText("PlayRate", "0.20");
    PutText("VorQ", "-1");
    PutText("FileSize", "0");
    PutByte("DefaultAudioFormat", 3);
    LoadAllSettings(nullptr);
    EXPECT_EQ(100, SoundLevel);
    EXPECT_FLOAT_EQ(0.2f, PlayRate);
    EXPECT_EQ(-1, VorQ);
    EXPECT_EQ(0, FileSize) << "0 keeps meaning no limit";
    EXPECT_EQ(3, DefaultAudioFormat);

    const char* iniText = "[Setup]\nSound Level=101\n[Mp3]\nDefaultAudioFormat=-1\nMp3SampleRate=100001\n"
                          "[Vorbis]\nVorQ=-2\n[File]\nFileAction=11\nFileSize=-20\n[Wave]\nSampleRate=0\n";
    testsupport::WriteAll(ini, std::vector<std::uint8_t>(iniText, iniText + std::strlen(iniText)));
    LoadAllSettings(ini.c_str());
    EXPECT_EQ(0, SoundLevel);
    EXPECT_EQ(0, DefaultAudioFormat);
    EXPECT_EQ(16000, Mp3SampleRate);
    EXPECT_EQ(4, VorQ);
    EXPECT_EQ(0, FileAction);
    EXPECT_EQ(20, FileSize);
    EXPECT_EQ(8000, SampleRate);
}

TEST_F(Settings, SoundByteIsOneRegistryByteAndWiderStoredValuesStillLoad)
{
    SoundByte = 300;
    LHMode = 256;
    SaveAllSettings(nullptr);
    EXPECT_EQ(1u, GetRaw("SoundByte").size());
    EXPECT_EQ(4u, GetRaw("LHMode").size());
    SoundByte = LHMode = 0;
    LoadAllSettings(nullptr);
    EXPECT_EQ(44, SoundByte) << "the low byte of 300";
    EXPECT_EQ(256, LHMode);
    const LONG wide = 300;  // as earlier builds stored it
    PutRaw("SoundByte", REG_BINARY, &wide, sizeof wide);
    LoadAllSettings(nullptr);
    EXPECT_EQ(300, SoundByte);
    SoundByte = 300;
    SaveAllSettings(ini.c_str());
    SoundByte = 0;
    LoadAllSettings(ini.c_str());
    EXPECT_EQ(300, SoundByte) << "the INI file keeps the whole number";
}

TEST_F(Settings, FailedIniWriteOfSoundLevelReportsAndSavingGoesOn)
{
    std::vector<int> shown;
    SetSettingsMessageHandler([&](int id) { shown.push_back(id); });
    const std::string folderAsFile = dir.file("folder.ini");
    fs::create_directory(folderAsFile);
    SaveAllSettings(folderAsFile.c_str());
    EXPECT_EQ(std::vector<int>{kMsgIniWriteFailed}, shown);
    shown.clear();
    SaveAllSettings(ini.c_str());
    SaveAllSettings(nullptr);
    EXPECT_TRUE(shown.empty());
    SetSettingsMessageHandler(nullptr);
    EXPECT_NE(std::string(SettingsMessageText(3501)).find("(savesettings)"), std::string::npos);
}

TEST_F(Settings, AFifoAsTheIniFileOrTheStoreNeverBlocksLoadingOrSaving)
{
    const std::string fifo = dir.file("pipe.ini");
    ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
    EXPECT_EQ(0, testsupport::RunInChild([&] {
        std::vector<int> shown;
        SetSettingsMessageHandler([&](int id) { shown.push_back(id); });
        SoundLevel = 77;
        LoadAllSettings(fifo.c_str());
        const bool loaded = SoundLevel == 0;
        SaveAllSettings(fifo.c_str());
        return loaded && shown == std::vector<int>{kMsgIniWriteFailed} ? 0 : 1;
    }, 5));
    fs::create_directories(dir.file("config") + "/tapvox");
    ASSERT_EQ(0, mkfifo(StoreFile().c_str(), 0600));
    EXPECT_EQ(0, testsupport::RunInChild([&] {
        LoadAllSettings(nullptr);  // refused, with the defaults
        return SoundLevel == 0 ? 0 : 1;
    }, 5));
}

TEST_F(Settings, WithoutAUsableStoreTheDefaultsAreUsedAndNothingGoesBesideTheProgram)
{
    // A file where the config folder should be: the key cannot be created.
    testsupport::WriteAll(dir.file("config"), {'x'});
    std::vector<std::string> told;
    SetSettingsProblemHandler([&](const std::string& text) { told.push_back(text); });
    const fs::path beside = fs::read_symlink("/proc/self/exe").parent_path() / "tapvox.ini";
    fs::remove(beside);  // left by an older build
    SoundLevel = 42;
    SaveAllSettings(nullptr);
    SaveAllSettings(nullptr);
    ASSERT_EQ(1u, told.size()) << "said once, not at every save";
    EXPECT_NE(told[0].find("cannot be saved to " + StoreFile()), std::string::npos) << told[0];
    SoundLevel = 0;
    LoadAllSettings("");
    EXPECT_EQ(0, SoundLevel) << "nothing was saved anywhere";
    EXPECT_FALSE(fs::exists(beside));
    EXPECT_EQ(dir.file("data") + "/Tapvox/", DefaultDirectory);
    SetSettingsProblemHandler(nullptr);
}

// Save-all in a child that is killed in the middle (after the application's
// own keys, before the sections).
void SaveAndDie(const char* iniPath)
{
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ActiveWindowAt(10, 10);
        SetMainWindowPositionSource([](LONG*, LONG*) -> bool {
            raise(SIGKILL);
            return false;
        });
        SoundLevel = 99;
        TimerSettings.TimerEnable = 0;
        std::strcpy(ImprovedFilePrefix, "changed");
        SaveAllSettings(iniPath);
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
}

TEST_F(Settings, KilledDuringSaveAllTheRegistryFileStaysAsItWas)
{
    SetUnusualSettings(dir.path());
    SaveAllSettings(nullptr);
    const std::string before = ReadFile(StoreFile());
    SaveAndDie(nullptr);
    EXPECT_EQ(before, ReadFile(StoreFile()));
    PoisonSettings();
    LoadAllSettings(nullptr);
    EXPECT_EQ(37, SoundLevel);
}

TEST_F(Settings, KilledAtAnyMomentOfSaveAllTheRegistryHoldsOneWholeSave)
{
    SetUnusualSettings(dir.path());
    SaveAllSettings(nullptr);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        for (int i = 0;; ++i) {
            // Two values far apart in the save order always change together.
            SoundLevel = i % 100;
            VorByteRate = i % 100;
            SaveAllSettings(nullptr);
        }
    }
    std::string last = ReadFile(StoreFile());
    int changes = 0;
    for (long polls = 0; changes < 5 && polls < 5000000; ++polls) {
        const std::string now = ReadFile(StoreFile());
        if (now != last) {
            ++changes;
            last = now;
        }
    }
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_GE(changes, 5);
    PoisonSettings();
    LoadAllSettings(nullptr);
    EXPECT_EQ(SoundLevel, VorByteRate) << "the file holds one save-all, not parts of two";
    EXPECT_EQ(22050, SampleRate);
    EXPECT_STREQ("6am", TimerSettings.Schedule[1].TimeStop);
    SoundLevel = 1;
    SaveAllSettings(nullptr);  // clears what the killed writer left
    for (const auto& e : fs::directory_iterator(dir.file("config") + "/tapvox")) {
        const std::string name = e.path().filename().string();
        EXPECT_TRUE(name == "user.reg" || name == "user.reg.lock") << name;
    }
}

TEST_F(Settings, KilledAtAnyMomentOfSaveAllTheIniFileStaysWhole)
{
    TAPVOX_REQUIRE_TOOL("python3");
    SetUnusualSettings(dir.path());
    SaveAllSettings(ini.c_str());
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        for (int i = 0;; ++i) {
            SoundLevel = i % 2 ? 11 : 37;
            TimerSettings.TimerEnable = static_cast<short>(i % 2 ? 0 : 1);
            std::strcpy(ImprovedFilePrefix, i % 2 ? "odd" : "even");
            SaveAllSettings(ini.c_str());
        }
    }
    // Kill it at whatever moment it has reached after a few rewrites.
    std::string last = ReadFile(ini);
    int changes = 0;
    for (long polls = 0; changes < 5 && polls < 5000000; ++polls) {
        const std::string now = ReadFile(ini);
        if (now != last) {
            ++changes;
            last = now;
        }
    }
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_GE(changes, 5);
    PoisonSettings();
    LoadAllSettings(ini.c_str());
    EXPECT_TRUE(SoundLevel == 11 || SoundLevel == 37) << SoundLevel;
    EXPECT_TRUE(TimerSettings.TimerEnable == 0 || TimerSettings.TimerEnable == 1);
    EXPECT_TRUE(std::string(ImprovedFilePrefix) == "odd" || std::string(ImprovedFilePrefix) == "even" ||
                std::string(ImprovedFilePrefix) == "%Y%m%d-%H%M rec; \"quoted\" = yes")
        << ImprovedFilePrefix;
    EXPECT_EQ(22050, SampleRate);
    EXPECT_EQ(48000, VorSampleRate);
    EXPECT_EQ(650, FileSize);
    EXPECT_STREQ("6am", TimerSettings.Schedule[1].TimeStop);
    int pyStatus = -1;
    testsupport::RunCapture("python3 -c \"import configparser,sys; c=configparser.ConfigParser(interpolation=None); "
                            "c.read(sys.argv[1])\" " + ini, &pyStatus);
    EXPECT_EQ(0, pyStatus);
}

TEST_F(Settings, DamagedStoresGiveDefaultsAndNeverCrash)
{
    SetUnusualSettings(dir.path());
    SaveAllSettings(nullptr);
    const std::string good = ReadFile(StoreFile());
    const std::vector<std::string> damaged = {good.substr(0, good.size() / 3), "\xFF\xFE\x3B\x00garbage",
                                              std::string(100000, '\x01')};
    for (const auto& text : damaged) {
        testsupport::WriteAll(StoreFile(), std::vector<std::uint8_t>(text.begin(), text.end()));
        PoisonSettings();
        LoadAllSettings(nullptr);
        EXPECT_EQ(0, SoundLevel);
        EXPECT_EQ(8000, SampleRate);
        EXPECT_EQ(20, FileSize);
        EXPECT_STREQ("rec", ImprovedFilePrefix);
    }
    std::string garbage = "[Setup\nSound Level\n=5\n[Wave]]\nSampleRate==7\nWaveFormat=" + std::string(100000, 'f') +
                          "\n\x01\x02\xff\n[Timer]\nTimeStart=" + std::string(5000, '9') + "\nTimeDay=-1\n";
    testsupport::WriteAll(ini, std::vector<std::uint8_t>(garbage.begin(), garbage.end()));
    PoisonSettings();
    LoadAllSettings(ini.c_str());
    EXPECT_EQ(0, SoundLevel);
    EXPECT_EQ(8000, SampleRate);
    EXPECT_EQ(1, RecordFormatBuffer->wFormatTag);
    EXPECT_STREQ("999999999", TimerSettings.Schedule[0].TimeStart) << "cut to the field";
    EXPECT_EQ(20, FileSize);
}

TEST_F(Settings, SettingsStoreReadsAndWritesEitherStore)
{
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Fennwicke\\Tapvox", 0, nullptr, 0,
                                             KEY_READ | KEY_WRITE, nullptr, &key, nullptr));
    SettingsStore both(key, ini.c_str(), "Vorbis");
    EXPECT_TRUE(both.SetFormatted("Text", "%d-%s", 5, "x"));
    EXPECT_TRUE(both.SetInt("Number", -12));
    const unsigned char blob[3] = {1, 2, 3};
    EXPECT_TRUE(both.SetBinary("Blob", blob, 3));
    EXPECT_FALSE(both.SetString("", "x"));
    EXPECT_FALSE(both.SetString("K", nullptr));
    char out[260];
    EXPECT_FALSE(both.GetString(nullptr, out, "d"));
    EXPECT_FALSE(both.GetString("", out, "d"));
    EXPECT_TRUE(both.GetString("Missing", out, "dflt"));
    EXPECT_STREQ("dflt", out);
    EXPECT_FALSE(both.GetString("Missing", out, nullptr));

    SettingsStore iniOnly(nullptr, ini.c_str(), "Vorbis");
    EXPECT_TRUE(iniOnly.GetString("Text", out, nullptr));
    EXPECT_STREQ("5-x", out);
    EXPECT_EQ(-12, iniOnly.GetInt("Number", 7));
    unsigned char back[3] = {};
    EXPECT_TRUE(iniOnly.GetBinary("Blob", back, 3, nullptr));
    EXPECT_EQ(0, std::memcmp(blob, back, 3));
    const unsigned char def[3] = {9, 9, 9};
    EXPECT_FALSE(iniOnly.GetBinary("Missing", back, 3, def));
    EXPECT_EQ(9, back[0]) << "the default is copied first";
    EXPECT_FALSE(iniOnly.GetString("Missing", out, ""));
    std::string s;
    EXPECT_TRUE(iniOnly.GetStdString("Text", s, nullptr));
    EXPECT_EQ("5-x", s);

    SettingsStore none(nullptr, "", "Vorbis");
    EXPECT_FALSE(none.GetString("Text", out, "d"));
    EXPECT_EQ(3, none.GetInt("Text", 3));
    RegCloseKey(key);
    SettingsStore regOnly(nullptr, nullptr, "Vorbis");
    EXPECT_FALSE(regOnly.SetString("K", "v"));
}
}
