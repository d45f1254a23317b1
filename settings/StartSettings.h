#pragma once
// The "Setup" settings of the General page, and the routines that register the
// program to start with the desktop session.
#include "platform/registry/Registry.h"

extern bool OnTop;
extern bool TrayIcon;
extern bool ListenOnStart;
extern bool MinimizeOnStart;

// From the INI file when iniPath is set and not empty, else from the key.
void LoadStartSettings(HKEY key, const char* iniPath);
// To the key when it is open, else to the INI file.
void SaveStartSettings(HKEY key, const char* iniPath);

// The start command: the program file (quoted when it holds blanks, since no
// short form exists here), plus " -m" with MinimizeOnStart.
void AddAutoStart();
void RemoveAutoStart();
