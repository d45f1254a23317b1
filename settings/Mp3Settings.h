#pragma once
// Section "Mp3" of the settings: the PCM side and codec format of MP3 recordings,
// whether ID3v2 tags are written, the default recording file type.
#include "platform/core/WaveFormat.h"
#include "platform/registry/Registry.h"

extern int Mp3SampleRate;        // Hz
extern bool Mp3Stereo;
extern char Mp3ACMDriver[260];
extern char Mp3ACMFormat[260];
extern int DefaultAudioFormat;   // file type of new recordings: 0 WAV, 1 MP3, 3 Ogg Vorbis
extern bool Mp3EnableTag;        // ID3v2 tags on

// From the INI file when iniPath is set and not empty, else from the key.
void LoadMp3Settings(HKEY key, const char* iniPath);
// To the key when it is open, else to the INI file.
void SaveMp3Settings(HKEY key, const char* iniPath);

// The 30-byte MPEG Layer-3 record used when no "Mp3Format" can be read.
void SetDefaultMp3Format(WAVEFORMATEX* format);
