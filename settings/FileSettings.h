#pragma once
// Section "File" of the settings: the file size limit and the action at it,
// automatic naming and its pattern, the category prompt and the default recording folder.
#include "platform/registry/Registry.h"

extern int FileSize;     // limit in megabytes; 0 = no limit
extern int FileAction;   // at the limit: 0 nothing, 1 loop, 2 stop, 3 new file
extern int LHMode;       // bit 0: append the instance number only when required
extern bool AutoName;
extern bool AutoPrompt;
extern char DefaultDirectory[260];
extern char ImprovedFilePrefix[260];
extern int FileLimitKind;  // 0 by size, else by time (Load always sets 0)
extern int FileMinutes;    // time limit in minutes

// From the INI file when iniPath is set and not empty, else from the key.
void LoadFileSettings(HKEY key, const char* iniPath);
// To the key when it is open, else to the INI file.
void SaveFileSettings(HKEY key, const char* iniPath);
