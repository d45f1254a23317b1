// The key state the backend reports and the program reads.
#include <algorithm>
#include <iterator>

#include "platform/user/Keyboard.h"
#include "platform/user/UserInternal.h"

namespace {
bool g_keys[256] = {};
// Characters a backend reported, by key and Shift; -1: not reported.
int g_layout[256][2];
bool g_layoutCleared = false;

void ClearLayout()
{
    for (auto& key : g_layout) {
        key[0] = key[1] = -1;
    }
    g_layoutCleared = true;
}

// Letters, digits, space and the editing keys, as a US keyboard gives them.
char DefaultCharacter(UINT vk, bool shift)
{
    if (vk >= 'A' && vk <= 'Z') {
        return static_cast<char>(shift ? vk : vk - 'A' + 'a');
    }
    if ((vk >= '0' && vk <= '9') || vk == VK_SPACE || vk == VK_BACK || vk == VK_RETURN || vk == VK_ESCAPE || vk == VK_TAB) {
        return static_cast<char>(vk);
    }
    return 0;
}
}

namespace platform {
void SetKeyDown(int vk, bool down) { g_keys[vk & 0xFF] = down; }

void SetKeyCharacter(UINT vk, bool shift, char character)
{
    if (!g_layoutCleared) {
        ClearLayout();
    }
    g_layout[vk & 0xFF][shift ? 1 : 0] = static_cast<unsigned char>(character);
}

char KeyCharacter(UINT vk, bool shift)
{
    if (g_layoutCleared && g_layout[vk & 0xFF][shift ? 1 : 0] >= 0) {
        return static_cast<char>(g_layout[vk & 0xFF][shift ? 1 : 0]);
    }
    return DefaultCharacter(vk, shift);
}

namespace user_detail {
void ResetKeys()
{
    std::fill(std::begin(g_keys), std::end(g_keys), false);
    ClearLayout();
}
}
}

short GetAsyncKeyState(int vk) { return g_keys[vk & 0xFF] ? static_cast<short>(0x8000) : 0; }

short GetKeyState(int vk) { return GetAsyncKeyState(vk); }
