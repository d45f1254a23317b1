#pragma once
// Section "Wave" of the settings: the PCM recording format and the compression
// format of WAV recordings.
#include "platform/registry/Registry.h"

extern int SampleRate;           // Hz
extern bool Resolution;          // 16-bit
extern bool Stereo;
extern char ACMDriver[260];      // codec driver short name
extern char ACMFormat[260];      // codec format text
extern WORD ACMFormatTag;

// From the INI file when iniPath is set and not empty, else from the key.
void LoadWaveSettings(HKEY key, const char* iniPath);
// To the key when it is open, else to the INI file.
void SaveWaveSettings(HKEY key, const char* iniPath);
