#pragma once
// Loading and saving every settings section, and the application's own keys.
// The store is the registry key "Software\Fennwicke\Tapvox" of the current
// user, or the INI file named. A registry store that cannot be used is said so
// and the defaults are used: nothing ever goes beside the program.
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

// Where save-all takes the main window's position from while the thread has an
// active window (the application object sets it); without one, the active
// window's top-left corner is saved.
void SetMainWindowPositionSource(std::function<bool(LONG* x, LONG* y)> source);
