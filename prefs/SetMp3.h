#pragma once
// Settings of section "Mp3": the PCM side and codec format of MP3 recordings,
// whether ID3v2 tags are written, and the default recording file type.
#include "platform/core/WaveFormat.h"
#include "platform/registry/Registry.h"

extern int Mp3SampleRate;        // Hz
extern bool Mp3Stereo;
extern char Mp3ACMDriver[260];
extern char Mp3ACMFormat[260];
extern int DefaultAudioFormat;   // file type of new recordings: 0 WAV, 1 MP3, 3 Ogg Vorbis
extern bool Mp3EnableTag;        // ID3v2 tags on

// The 30-byte MPEG Layer-3 record used when no "Mp3Format" can be read.
void SetDefaultMp3Format(WAVEFORMATEX* format);

class TSetMp3 {
public:
    // Also hands the tag flag to the MP3 file layer.
    static void Load(HKEY key, const char* iniPath);
    static void Save(HKEY key, const char* iniPath);
};
