#pragma once
// Section "Joy" of the settings: the recorder actions of four joystick buttons.
// Not part of load-all and save-all.
#include "platform/registry/Registry.h"

extern bool JoyEnable;
extern int JoyButton1;  // index into the action list; -1 when none is chosen
extern int JoyButton2;
extern int JoyButton3;
extern int JoyButton4;
// The action list in index order, ended by an empty text.
extern const char* const JoyActions[];

// From the INI file when iniPath is set and not empty, else from the key.
void LoadJoySettings(HKEY key, const char* iniPath);
// To the key when it is open, else to the INI file.
void SaveJoySettings(HKEY key, const char* iniPath);
