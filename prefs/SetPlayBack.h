#pragma once
// Settings of section "Play": the length played per segment in SoundByte mode.
#include "platform/registry/Registry.h"

extern int SoundByte;  // seconds, at least 1

class TSetPlayBack {
public:
    static void Load(HKEY key, const char* iniPath);
    static void Save(HKEY key, const char* iniPath);
};
