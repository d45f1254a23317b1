#pragma once
// Section "Vorbis" of the settings: channels, sample rate and quality of Ogg
// Vorbis recordings, and the byte rate estimated for them.
#include "platform/registry/Registry.h"

extern int VorStereo;      // non-zero: 2 channels
extern int VorSampleRate;  // Hz
extern int VorQ;           // quality -1..10
extern int VorByteRate;    // bytes/s estimated at the last Apply

// From the INI file when iniPath is set and not empty, else from the key.
void LoadVorbisSettings(HKEY key, const char* iniPath);
// To the key when it is open, else to the INI file.
void SaveVorbisSettings(HKEY key, const char* iniPath);
