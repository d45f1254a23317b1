#pragma once
// Settings of section "Key": three hot-key words as the hot-key control
// reports them (low byte virtual key, high byte HOTKEYF_* flags). Not part of
// load-all and save-all.
#include "platform/core/Types.h"
#include "platform/registry/Registry.h"
#include "platform/user/Controls.h"

extern WORD KeyPlay;
extern WORD KeyRecord;
extern WORD KeyActivate;

constexpr UINT MOD_ALT = 0x0001;
constexpr UINT MOD_CONTROL = 0x0002;
constexpr UINT MOD_SHIFT = 0x0004;

// RegisterHotKey's modifiers for a hot-key word (HOTKEYF_EXT has none) and its virtual key.
UINT HotKeyModifiers(WORD hotKey);
UINT HotKeyVirtualKey(WORD hotKey);

class TSetKey {
public:
    static void Load(HKEY key, const char* iniPath);
    static void Save(HKEY key, const char* iniPath);
};
