#pragma once
// Settings of section "Joy": recorder actions of four joystick buttons. Not
// part of load-all and save-all.
#include "platform/registry/Registry.h"

extern bool JoyEnable;
extern int JoyButton1;  // index into the action list; -1 when none is chosen
extern int JoyButton2;
extern int JoyButton3;
extern int JoyButton4;

// The action list in index order, ended by an empty text.
extern const char* const JoyActions[];

class TSetJoy {
public:
    static void Load(HKEY key, const char* iniPath);
    static void Save(HKEY key, const char* iniPath);
};
