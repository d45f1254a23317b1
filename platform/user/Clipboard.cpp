// The clipboard: in-process, and on the desktop also the desktop's own, which
// other programs share (the backend moves the bytes).
#include "platform/user/Clipboard.h"

#include <cstring>
#include <map>
#include <string>

#include "platform/user/Backend.h"

namespace {
struct ClipboardState {
    bool open = false;
    bool changed = false;  // set or emptied since it was opened
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

std::string NameOf(UINT format)
{
    for (const auto& [name, id] : State().formats) {
        if (id == format) {
            return name;
        }
    }
    return {};
}

void Keep(UINT format, HANDLE block)
{
    auto& data = State().data;
    auto it = data.find(format);
    if (it != data.end() && it->second != block) {
        GlobalFree(it->second);
    }
    data[format] = block;
}

// What the program set goes to the desktop's clipboard as one offer; false
// when the desktop refused it, so the caller learns its copy did not arrive.
bool Publish()
{
    std::vector<platform::ClipboardItem> items;
    for (const auto& [format, block] : State().data) {
        platform::ClipboardItem item{format, NameOf(format), {}};
        const auto* bytes = static_cast<const BYTE*>(GlobalLock(block));
        if (bytes) {
            item.bytes.assign(bytes, bytes + GlobalSize(block));
            GlobalUnlock(block);
        }
        items.push_back(std::move(item));
    }
    return platform::CurrentBackend().PublishClipboard(items);
}
}

BOOL OpenClipboard(HWND owner)
{
    ClipboardState& s = State();
    if (s.open) {
        return FALSE;
    }
    s.open = true;
    s.changed = false;
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
    const bool published = !s.changed || !platform::CurrentBackend().HasSharedClipboard() || Publish();
    s.changed = false;
    return published ? TRUE : FALSE;
}

BOOL EmptyClipboard()
{
    if (!State().open) {
        return FALSE;
    }
    FreeAll();
    State().changed = true;
    return TRUE;
}

HANDLE SetClipboardData(UINT format, HANDLE data)
{
    ClipboardState& s = State();
    if (!s.open || format == 0 || !data || GlobalSize(data) == 0) {
        return nullptr;
    }
    Keep(format, data);
    s.changed = true;
    return data;
}

HANDLE GetClipboardData(UINT format)
{
    ClipboardState& s = State();
    if (!s.open) {
        return nullptr;
    }
    platform::Backend& backend = platform::CurrentBackend();
    if (!s.changed && backend.HasSharedClipboard()) {
        // Another program may have taken the clipboard since: ask the desktop.
        const auto bytes = backend.ReadClipboard(format, NameOf(format));
        if (!bytes || bytes->empty()) {
            return nullptr;
        }
        HANDLE block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, bytes->size());
        void* p = block ? GlobalLock(block) : nullptr;
        if (!p) {
            GlobalFree(block);
            return nullptr;
        }
        std::memcpy(p, bytes->data(), bytes->size());
        GlobalUnlock(block);
        Keep(format, block);
        return block;
    }
    auto it = s.data.find(format);
    return it == s.data.end() ? nullptr : it->second;
}

BOOL IsClipboardFormatAvailable(UINT format)
{
    platform::Backend& backend = platform::CurrentBackend();
    if (backend.HasSharedClipboard()) {
        return backend.ClipboardHolds(format, NameOf(format)) ? TRUE : FALSE;
    }
    return State().data.count(format) ? TRUE : FALSE;
}

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
    State().changed = false;
    State().owner = nullptr;
}
}
