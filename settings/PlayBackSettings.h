#pragma once
// Section "Play" of the settings: the length played per segment in SoundByte mode.
#include "platform/registry/Registry.h"

extern int SoundByte;  // seconds, at least 1

// From the INI file when iniPath is set and not empty, else from the key.
void LoadPlayBackSettings(HKEY key, const char* iniPath);
// To the key when it is open, else to the INI file.
void SavePlayBackSettings(HKEY key, const char* iniPath);
