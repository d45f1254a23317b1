#pragma once
// Section "Record" of the settings: the record mode and the silence time that ends a take.
#include "platform/registry/Registry.h"

extern int RecordMode;  // 0 manual, 1 echo, 2 new file after quiet, 3 and 4 stored only
extern int TalkOff;     // seconds, 1..9999

// From the INI file when iniPath is set and not empty, else from the key.
void LoadRecordSettings(HKEY key, const char* iniPath);
// To the key when it is open, else to the INI file.
void SaveRecordSettings(HKEY key, const char* iniPath);
