// The process's own clipboard: data set again for a format frees the old block; format names ignore case.
#include "platform/user/Clipboard.h"

#include <map>
#include <strings.h>
#include <string>

namespace {
struct ClipboardState {
    bool open = false;
    HWND owner = nullptr;
    std::map<UINT, HANDLE> data;
    std::map<std::string, UINT> formats;  // key: lower-case name
};

ClipboardState& State()
{
    static ClipboardState state;
    return state;
}

void FreeAll()
{
    for (auto& [format, block] : State().data) {
        GlobalFree(block);
    }
    State().data.clear();
}
}

BOOL OpenClipboard(HWND owner)
{
    ClipboardState& s = State();
    if (s.open) {
        return FALSE;
    }
    s.open = true;
    s.owner = owner;
    return TRUE;
}

BOOL CloseClipboard()
{
    ClipboardState& s = State();
    if (!s.open) {
        return FALSE;
    }
    s.open = false;
    return TRUE;
}

BOOL EmptyClipboard()
{
    if (!State().open) {
        return FALSE;
    }
    FreeAll();
    return TRUE;
}

HANDLE SetClipboardData(UINT format, HANDLE data)
{
    ClipboardState& s = State();
    if (!s.open || format == 0 || !data || GlobalSize(data) == 0) {
        return nullptr;
    }
    auto it = s.data.find(format);
    if (it != s.data.end() && it->second != data) {
        GlobalFree(it->second);
    }
    s.data[format] = data;
    return data;
}

HANDLE GetClipboardData(UINT format)
{
    ClipboardState& s = State();
    if (!s.open) {
        return nullptr;
    }
    auto it = s.data.find(format);
    return it == s.data.end() ? nullptr : it->second;
}

BOOL IsClipboardFormatAvailable(UINT format) { return State().data.count(format) ? TRUE : FALSE; }

UINT RegisterClipboardFormatA(LPCSTR name)
{
    if (!name || !*name) {
        return 0;
    }
    std::string key = name;
    for (char& c : key) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c + 32);
        }
    }
    auto& formats = State().formats;
    auto it = formats.find(key);
    if (it != formats.end()) {
        return it->second;
    }
    const UINT id = 0xC000 + static_cast<UINT>(formats.size());
    formats.emplace(key, id);
    return id;
}

namespace platform {
void ResetClipboard()
{
    FreeAll();
    State().open = false;
    State().owner = nullptr;
}
}
