#pragma once
// Loading and saving every settings section, and the application's own keys.
// The store is the registry key "Software\Fennwicke\Tapvox" of the current
// user, or an INI file: the one named, else "tapvox.ini" beside the program
// when the key cannot be created.
#include <functional>
#include <string>

#include "platform/core/Types.h"

extern int SoundLevel;     // sound-activation threshold in percent, 0..100
extern float PlayRate;     // play speed factor, 0.2..2.0
extern bool UseWinClip;    // audio clips go through the clipboard
extern LONG SavedWindowX;  // frame position of the last run
extern LONG SavedWindowY;
extern int HangOverTime;   // seconds of sound activation after the last loud buffer

// iniPath null or empty: the default store.
void LoadAllSettings(const char* iniPath);
void SaveAllSettings(const char* iniPath);

// "tapvox.ini" in the program's folder.
std::string DefaultIniPath();

// What the settings need from the window system: the screen size that bounds a
// loaded window position, and the position of the active window to save (false
// when the thread has none). Until the frame sets them the screen is taken as
// 1024 x 768 and no position is saved.
struct SettingsWindowFacts {
    std::function<void(int* width, int* height)> screenSize;
    std::function<bool(LONG* x, LONG* y)> activeWindowPosition;
};
void SetSettingsWindowFacts(SettingsWindowFacts facts);
