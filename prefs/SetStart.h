#pragma once
// Settings of section "Setup" edited on the General page, and the routines
// that register the program to start with the desktop session.
#include "platform/registry/Registry.h"

extern bool OnTop;
extern bool TrayIcon;
extern bool ListenOnStart;
extern bool MinimizeOnStart;

class TSetStart {
public:
    static void Load(HKEY key, const char* iniPath);
    static void Save(HKEY key, const char* iniPath);
};

// The start command: the program file (quoted when it holds blanks, since no
// short form exists here), plus " -m" with MinimizeOnStart.
void AddAutoStart();
void RemoveAutoStart();
