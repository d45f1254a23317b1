// Load-all and save-all over every settings section, the store choice, and the application's own keys.
#include "settings/Settings.h"

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <locale.h>
#include <set>
#include <string>

#include "platform/profile/Profile.h"
#include "platform/registry/Registry.h"
#include "platform/user/Window.h"
#include "settings/FileSettings.h"
#include "settings/Mp3Settings.h"
#include "settings/PlayBackSettings.h"
#include "settings/RecordSettings.h"
#include "settings/SettingsMessages.h"
#include "settings/SettingsRules.h"
#include "settings/StartSettings.h"
#include "settings/TimerSettings.h"
#include "settings/VorbisSettings.h"
#include "settings/WaveSettings.h"

using namespace settings;

int SoundLevel = 0;
float PlayRate = 1.0f;
bool UseWinClip = true;
LONG SavedWindowX = 100;
LONG SavedWindowY = 100;
int HangOverTime = 1;

namespace {
constexpr const char* kAppKey = "Software\\Fennwicke\\Tapvox";

std::function<bool(LONG*, LONG*)>& PositionSource()
{
    static std::function<bool(LONG*, LONG*)> source;
    return source;
}

// The position to save, when the thread has an active window.
bool MainWindowPosition(LONG* x, LONG* y)
{
    const HWND active = GetActiveWindow();
    if (!active) {
        return false;
    }
    if (PositionSource()) {
        return PositionSource()(x, y);
    }
    RECT rect {};
    if (!GetWindowRect(active, &rect)) {
        return false;
    }
    *x = rect.left;
    *y = rect.top;
    return true;
}

// The store of one load-all or save-all: an open key, the INI path, or none
// when the settings store cannot be used (said once, with the reason).
class StoreChoice {
public:
    StoreChoice(const char* iniPath, REGSAM access, bool saving)
    {
        if (iniPath && *iniPath) {
            path_ = iniPath;
            return;
        }
        if (Create(access)) {
            return;
        }
        const std::string problem = platform::registry::StoreProblem(saving);
        if (saving) {
            Tell(problem, "the settings cannot be saved to " + platform::registry::StorePath() + ": " +
                              (problem.empty() ? std::string("it cannot be opened") : problem));
            return;
        }
        // A store that can be read but not written (a read-only folder) is still read.
        if (problem.empty()) {
            const LSTATUS opened = RegOpenKeyExA(HKEY_CURRENT_USER, kAppKey, 0, KEY_READ, &key_);
            if (opened == ERROR_SUCCESS || opened == ERROR_FILE_NOT_FOUND) {
                return;
            }
            key_ = nullptr;
        }
        Tell(problem, "the settings store " + platform::registry::StorePath() + " is not used: " +
                          (problem.empty() ? std::string("it cannot be read") : problem) +
                          "; the default settings are used and none is saved");
    }
    ~StoreChoice() { Close(); }
    StoreChoice(const StoreChoice&) = delete;
    StoreChoice& operator=(const StoreChoice&) = delete;

    HKEY key() const { return key_; }
    // Empty while the registry is used.
    const char* path() const { return key_ ? "" : path_.c_str(); }
    bool usable() const { return key_ || !path_.empty(); }

    // Writes the key's values out; a failure is told.
    void Close()
    {
        if (key_ && RegCloseKey(key_) != ERROR_SUCCESS) {
            Tell("close", "the settings could not be saved to " + platform::registry::StorePath() +
                              "; they are kept for the next save");
        }
        key_ = nullptr;
    }

private:
    bool Create(REGSAM access)
    {
        if (RegCreateKeyExA(HKEY_CURRENT_USER, kAppKey, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &key_,
                            nullptr) == ERROR_SUCCESS) {
            return true;
        }
        if (key_) {
            RegCloseKey(key_);
        }
        key_ = nullptr;
        return false;
    }
    // Every save meets the same refusal again: each reason is told once per process.
    static void Tell(const std::string& reason, const std::string& text)
    {
        static std::set<std::string> told;
        if (told.insert(reason).second) {
            ShowSettingsProblem(text);
        }
    }

    HKEY key_ = nullptr;
    std::string path_;
};

// The play rate's text does not depend on the user's locale: "1.50", never "1,50".
locale_t CLocale()
{
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return c;
}

float ParsePlayRate(const char* text)
{
    char* end = nullptr;
    const double rate = strtod_l(text, &end, CLocale());
    if (end == text || !std::isfinite(rate) || rate < 0.2 - 1e-6 || rate > 2.0 + 1e-6) {
        return 1.0f;
    }
    return static_cast<float>(rate);
}

std::string FormatPlayRate(float rate)
{
    const locale_t old = uselocale(CLocale());
    char text[259];
    std::snprintf(text, sizeof text, "%2.2f", static_cast<double>(rate));
    uselocale(old);
    return text;
}

LONG CheckedPosition(bool read, LONG value, int screen)
{
    return read && value >= 0 && value <= screen - 100 ? value : 100;
}

// Above 100 a threshold can never be reached and sound activation would record nothing.
int CheckedLevel(int level) { return level >= 0 && level <= 100 ? level : 0; }
}

void SetMainWindowPositionSource(std::function<bool(LONG* x, LONG* y)> source) { PositionSource() = std::move(source); }

void LoadAllSettings(const char* iniPath)
{
    const StoreChoice store(iniPath, KEY_READ | KEY_CREATE_SUB_KEY | KEY_SET_VALUE, false);
    const HKEY key = store.key();
    const char* path = store.path();
    if (key) {
        SoundLevel = CheckedLevel(RegGetByte(key, "SoundLevel", 0));
        char rate[kTextSize];
        RegGetText(key, "PlayRate", rate, sizeof rate, "1.0");
        PlayRate = ParsePlayRate(rate);
        UseWinClip = RegGetByte(key, "UseWinClip", 1) != 0;
        const int width = GetSystemMetrics(SM_CXSCREEN);
        const int height = GetSystemMetrics(SM_CYSCREEN);
        LONG x = 0, y = 0;
        const bool haveX = RegGetLong(key, "WindowX", &x);
        const bool haveY = RegGetLong(key, "WindowY", &y);
        SavedWindowX = CheckedPosition(haveX, x, width);
        SavedWindowY = CheckedPosition(haveY, y, height);
    } else {
        SoundLevel = CheckedLevel(IniGetInt("Setup", "Sound Level", 128, path));
        UseWinClip = IniGetInt("Setup", "UseWinClip", 1, path) != 0;
        PlayRate = 1.0f;
        SavedWindowX = 100;
        SavedWindowY = 100;
    }
    DefaultAudioFormat = 0;
    HangOverTime = 1;
    LoadTimerSettings(key, path, &TimerSettings);
    LoadWaveSettings(key, path);
    LoadMp3Settings(key, path);
    LoadVorbisSettings(key, path);
    LoadPlayBackSettings(key, path);
    LoadStartSettings(key, path);
    LoadRecordSettings(key, path);
    LoadFileSettings(key, path);
}

void SaveAllSettings(const char* iniPath)
{
    StoreChoice store(iniPath, KEY_WRITE, true);
    if (!store.usable()) {
        return;
    }
    const HKEY key = store.key();
    const char* path = store.path();
    if (key) {
        if (!RegSetByte(key, "SoundLevel", SoundLevel)) {
            ShowSettingsMessage(kMsgCantSaveLevel);
        }
        RegSetText(key, "PlayRate", FormatPlayRate(PlayRate).c_str());
        RegSetByte(key, "UseWinClip", UseWinClip);
        LONG x = 0, y = 0;
        if (MainWindowPosition(&x, &y)) {
            RegSetLong(key, "WindowX", x);
            RegSetLong(key, "WindowY", y);
        }
    } else if (!IniSetInt("Setup", "Sound Level", SoundLevel, path)) {
        ShowSettingsMessage(kMsgIniWriteFailed);
    }
    SaveTimerSettings(key, path, TimerSettings);
    SaveWaveSettings(key, path);
    SavePlayBackSettings(key, path);
    SaveStartSettings(key, path);
    SaveRecordSettings(key, path);
    SaveFileSettings(key, path);
    SaveMp3Settings(key, path);
    SaveVorbisSettings(key, path);
    store.Close();
}
