#pragma once
// Settings of section "Wave": the PCM recording format and the compression
// format of WAV recordings. The page's window half joins this class later.
#include "platform/core/Types.h"
#include "platform/registry/Registry.h"

extern int SampleRate;           // Hz
extern bool Resolution;          // 16-bit
extern bool Stereo;
extern char ACMDriver[260];      // codec driver short name
extern char ACMFormat[260];      // codec format text
extern WORD ACMFormatTag;

class TSetWave {
public:
    // From the INI file when iniPath is set and not empty, else from the key.
    static void Load(HKEY key, const char* iniPath);
    // To the key when it is open, else to the INI file.
    static void Save(HKEY key, const char* iniPath);
};
