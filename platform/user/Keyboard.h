#pragma once
// Virtual keys and the key state as the key messages report it.
#include "platform/user/Messages.h"

constexpr UINT VK_BACK = 0x08;
constexpr UINT VK_TAB = 0x09;
constexpr UINT VK_RETURN = 0x0D;
constexpr UINT VK_SHIFT = 0x10;
constexpr UINT VK_CONTROL = 0x11;
constexpr UINT VK_MENU = 0x12;
constexpr UINT VK_ESCAPE = 0x1B;
constexpr UINT VK_SPACE = 0x20;
constexpr UINT VK_PRIOR = 0x21;
constexpr UINT VK_NEXT = 0x22;
constexpr UINT VK_END = 0x23;
constexpr UINT VK_HOME = 0x24;
constexpr UINT VK_LEFT = 0x25;
constexpr UINT VK_UP = 0x26;
constexpr UINT VK_RIGHT = 0x27;
constexpr UINT VK_DOWN = 0x28;
constexpr UINT VK_DELETE = 0x2E;
constexpr UINT VK_F1 = 0x70;
constexpr UINT VK_F4 = 0x73;

// High bit set (negative result) while the key is down.
short GetAsyncKeyState(int vk);
short GetKeyState(int vk);

namespace platform {
// The state of a key for both functions. Key messages set it as the program
// takes them from the queue; a backend that posts no message for a key it
// holds (the headless test interface's modifiers) sets it here.
void SetKeyDown(int vk, bool down);
// The layer has no keyboard layout: a backend reports the character a key
// gives with or without Shift (0: none), and TranslateMessage uses it from then on.
void SetKeyCharacter(UINT vk, bool shift, char character);
// The character TranslateMessage makes of a key (0: none).
char KeyCharacter(UINT vk, bool shift);
}
