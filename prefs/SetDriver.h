#pragma once
// Settings of section "Driver": the wave output and input devices by product
// name ("-1" for the wave mapper). Not part of load-all and save-all.
#include "platform/registry/Registry.h"

extern char WaveOutDriver[260];
extern char WaveInDriver[260];

class TSetDriver {
public:
    static void Load(HKEY key, const char* iniPath);
    static void Save(HKEY key, const char* iniPath);
};
