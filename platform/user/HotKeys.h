#pragma once
// System-wide hot keys as the program registers them. The layer keeps the
// registrations (one owner per key combination, as the system allows); no
// backend grabs the keys yet, so WM_HOTKEY is never posted.
#include "platform/user/Window.h"

constexpr UINT MOD_ALT = 0x0001;
constexpr UINT MOD_CONTROL = 0x0002;
constexpr UINT MOD_SHIFT = 0x0004;

// FALSE for no window, an id already registered for it, or a combination another window holds.
BOOL RegisterHotKey(HWND hwnd, int id, UINT modifiers, UINT virtualKey);
BOOL UnregisterHotKey(HWND hwnd, int id);

namespace platform {
// The combination registered under the window's id; false when there is none.
bool FindHotKey(HWND hwnd, int id, UINT* modifiers, UINT* virtualKey);
}
