// The hot-key registrations of the GUI thread's windows.
#include "platform/user/HotKeys.h"

#include <map>
#include <utility>

namespace {
struct Combination {
    UINT modifiers;
    UINT virtualKey;
};

std::map<std::pair<HWND, int>, Combination>& Registrations()
{
    static std::map<std::pair<HWND, int>, Combination> registrations;
    return registrations;
}

// Registrations of windows that are gone hold nothing.
void Prune()
{
    auto& all = Registrations();
    for (auto it = all.begin(); it != all.end();) {
        it = IsWindow(it->first.first) ? std::next(it) : all.erase(it);
    }
}
}

BOOL RegisterHotKey(HWND hwnd, int id, UINT modifiers, UINT virtualKey)
{
    Prune();
    if (!IsWindow(hwnd) || Registrations().count({hwnd, id})) {
        return FALSE;
    }
    for (const auto& [owner, combination] : Registrations()) {
        if (combination.modifiers == modifiers && combination.virtualKey == virtualKey) {
            return FALSE;
        }
    }
    Registrations()[{hwnd, id}] = {modifiers, virtualKey};
    return TRUE;
}

BOOL UnregisterHotKey(HWND hwnd, int id) { return Registrations().erase({hwnd, id}) ? TRUE : FALSE; }

namespace platform {
bool FindHotKey(HWND hwnd, int id, UINT* modifiers, UINT* virtualKey)
{
    Prune();
    const auto it = Registrations().find({hwnd, id});
    if (it == Registrations().end()) {
        return false;
    }
    *modifiers = it->second.modifiers;
    *virtualKey = it->second.virtualKey;
    return true;
}
}
