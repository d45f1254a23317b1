#pragma once
// The entry function and the globals it fills before the application object exists.

// True when this process is the first instance (it holds the single-instance lock).
extern bool FirstInstance;
// The settings file of the first load; empty: the default store.
extern char SettingsFilePath[260];
// The frame's window class when not empty, else "Tapvox".
extern char WindowClassOverride[260];

// argv[0] is the program; returns the exit code: 0 when another instance runs,
// else what the message loop ends with.
int OwlMain(int argc, char* argv[]);
