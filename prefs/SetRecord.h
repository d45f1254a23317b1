#pragma once
// Settings of section "Record": the record mode and the silence time that ends a take.
#include "platform/registry/Registry.h"

extern int RecordMode;  // 0 manual, 1 echo, 2 new file after quiet, 3 and 4 stored only
extern int TalkOff;     // seconds, 1..9999

class TSetRecord {
public:
    static void Load(HKEY key, const char* iniPath);
    static void Save(HKEY key, const char* iniPath);
};
