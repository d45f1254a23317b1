#pragma once
// Settings of section "Vorbis": channels, sample rate and quality of Ogg
// Vorbis recordings, and the byte rate estimated for them.
#include <string>

#include "platform/registry/Registry.h"

extern int VorStereo;      // non-zero: 2 channels
extern int VorSampleRate;  // Hz
extern int VorQ;           // quality -1..10
extern int VorByteRate;    // bytes/s estimated at the last Apply

// The rate text of the page for a nominal bit rate: "%.3f MB/min    %ld kbit/sec".
std::string VorbisRateText(long bitrate);

class TSetVorbis {
public:
    static void Load(HKEY key, const char* iniPath);
    static void Save(HKEY key, const char* iniPath);
};
