#pragma once
// Section "Driver" of the settings: the wave output and input devices by product
// name, "-1" for the wave mapper. Not part of load-all and save-all.
#include "platform/registry/Registry.h"

extern char WaveOutDriver[260];
extern char WaveInDriver[260];

// From the INI file when iniPath is set and not empty, else from the key.
void LoadDriverSettings(HKEY key, const char* iniPath);
// To the key when it is open, else to the INI file.
void SaveDriverSettings(HKEY key, const char* iniPath);
