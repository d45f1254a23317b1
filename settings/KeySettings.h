#pragma once
// Section "Key" of the settings: three hot-key words as the hot-key control
// reports them (low byte virtual key, high byte HOTKEYF_* flags). Not part of load-all and save-all.
#include "platform/registry/Registry.h"

extern WORD KeyPlay;
extern WORD KeyRecord;
extern WORD KeyActivate;

// From the INI file when iniPath is set and not empty, else from the key.
void LoadKeySettings(HKEY key, const char* iniPath);
// To the key when it is open, else to the INI file.
void SaveKeySettings(HKEY key, const char* iniPath);

// RegisterHotKey's modifiers for a hot-key word (HOTKEYF_EXT has none) and its virtual key.
UINT HotKeyModifiers(WORD hotKey);
UINT HotKeyVirtualKey(WORD hotKey);
