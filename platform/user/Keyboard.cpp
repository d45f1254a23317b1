// The key state the backend reports and the program reads.
#include <algorithm>
#include <iterator>

#include "platform/user/Keyboard.h"
#include "platform/user/UserInternal.h"

namespace {
bool g_keys[256] = {};
}

namespace platform {
void SetKeyDown(int vk, bool down) { g_keys[vk & 0xFF] = down; }

namespace user_detail {
void ResetKeys() { std::fill(std::begin(g_keys), std::end(g_keys), false); }
}
}

short GetAsyncKeyState(int vk) { return g_keys[vk & 0xFF] ? static_cast<short>(0x8000) : 0; }

short GetKeyState(int vk) { return GetAsyncKeyState(vk); }
