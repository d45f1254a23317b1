// The "Key" settings (three hot keys) and their Load and Save.
#include "settings/KeySettings.h"

#include "platform/user/Controls.h"
#include "platform/user/HotKeys.h"
#include "settings/SettingsRules.h"

using namespace settings;

WORD KeyPlay = 0;
WORD KeyRecord = 0;
WORD KeyActivate = 0;

namespace {
struct HotKey {
    const char* name;
    WORD* value;
};
const HotKey kKeys[] = {{"KeyPlay", &KeyPlay}, {"KeyRecord", &KeyRecord}, {"KeyActivate", &KeyActivate}};
}

UINT HotKeyModifiers(WORD hotKey)
{
    const BYTE flags = static_cast<BYTE>(hotKey >> 8);
    UINT mods = 0;
    if (flags & HOTKEYF_ALT) {
        mods |= MOD_ALT;
    }
    if (flags & HOTKEYF_CONTROL) {
        mods |= MOD_CONTROL;
    }
    if (flags & HOTKEYF_SHIFT) {
        mods |= MOD_SHIFT;
    }
    return mods;
}

UINT HotKeyVirtualKey(WORD hotKey) { return hotKey & 0xFF; }

void LoadKeySettings(HKEY key, const char* iniPath)
{
    for (const auto& k : kKeys) {
        char text[20];
        if (iniPath && *iniPath) {
            IniGetText("Key", k.name, "0", text, sizeof text, iniPath);
        } else {
            RegGetText(key, k.name, text, sizeof text, "0");
        }
        // A word out of 16 bits is no hot key the control could have reported.
        *k.value = static_cast<WORD>(DecimalOr(text, 0, 0xFFFF, 0));
    }
}

void SaveKeySettings(HKEY key, const char* iniPath)
{
    for (const auto& k : kKeys) {
        if (key) {
            RegSetDecimal(key, k.name, *k.value);
        } else {
            IniSetInt("Key", k.name, *k.value, iniPath);
        }
    }
}
