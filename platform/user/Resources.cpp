// The resource store: names keyed in upper case, numbers as "#n"; icon handles stay valid after a clear.
#include "platform/user/Resources.h"

#include <cstring>
#include <map>
#include <memory>

#include "platform/user/Keyboard.h"

namespace {
struct Store {
    std::map<UINT, std::string> strings;
    std::map<std::string, platform::DialogTemplate> dialogs;
    std::map<int, std::vector<ACCEL>> accelerators;
    std::map<int, std::unique_ptr<platform::ImageResource>> icons;
    std::map<int, platform::ImageResource> bitmaps;
};

Store& TheStore()
{
    static Store store;
    return store;
}

int Number(LPCSTR nameOrId)
{
    if (IS_INTRESOURCE(nameOrId)) {
        return static_cast<int>(reinterpret_cast<std::uintptr_t>(nameOrId));
    }
    if (nameOrId && nameOrId[0] == '#') {
        return std::atoi(nameOrId + 1);
    }
    return -1;
}
}

namespace platform {
std::string ResourceKey(LPCSTR nameOrId)
{
    if (IS_INTRESOURCE(nameOrId)) {
        return std::string("#").append(std::to_string(reinterpret_cast<std::uintptr_t>(nameOrId)));
    }
    std::string s = nameOrId;
    for (char& c : s) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 32);
        }
    }
    return s;
}

void AddString(UINT id, const std::string& text) { TheStore().strings[id] = text; }
void AddDialog(LPCSTR nameOrId, const DialogTemplate& dialog) { TheStore().dialogs[ResourceKey(nameOrId)] = dialog; }
void AddAccelerators(int id, const std::vector<ACCEL>& table) { TheStore().accelerators[id] = table; }
void AddIcon(int id, const ImageResource& icon) { TheStore().icons[id] = std::make_unique<ImageResource>(icon); }
void AddBitmap(int id, const ImageResource& bitmap) { TheStore().bitmaps[id] = bitmap; }

const DialogTemplate* FindDialog(LPCSTR nameOrId)
{
    auto& d = TheStore().dialogs;
    auto it = d.find(ResourceKey(nameOrId));
    return it == d.end() ? nullptr : &it->second;
}

const ImageResource* FindIcon(HICON icon)
{
    for (auto& [id, image] : TheStore().icons) {
        if (reinterpret_cast<HICON>(image.get()) == icon) {
            return image.get();
        }
    }
    return nullptr;
}

void ClearResources()
{
    Store& s = TheStore();
    s.strings.clear();
    s.dialogs.clear();
    s.accelerators.clear();
    s.bitmaps.clear();
    // Icon handles stay valid for windows that still hold them; their images are dropped only from lookup.
    static std::vector<std::unique_ptr<ImageResource>> retired;
    for (auto& [id, image] : s.icons) {
        retired.push_back(std::move(image));
    }
    s.icons.clear();
}
}

int LoadStringA(HINSTANCE, UINT id, LPSTR buffer, int size)
{
    if (!buffer || size <= 0) {
        return 0;
    }
    buffer[0] = '\0';
    auto& strings = TheStore().strings;
    auto it = strings.find(id);
    if (it == strings.end()) {
        return 0;
    }
    const std::size_t n = std::min<std::size_t>(it->second.size(), static_cast<std::size_t>(size - 1));
    std::memcpy(buffer, it->second.data(), n);
    buffer[n] = '\0';
    return static_cast<int>(n);
}

HICON LoadIconA(HINSTANCE, LPCSTR name)
{
    auto& icons = TheStore().icons;
    auto it = icons.find(Number(name));
    return it == icons.end() ? nullptr : reinterpret_cast<HICON>(it->second.get());
}

HBITMAP LoadBitmapA(HINSTANCE, LPCSTR name)
{
    auto& bitmaps = TheStore().bitmaps;
    auto it = bitmaps.find(Number(name));
    if (it == bitmaps.end()) {
        return nullptr;
    }
    const platform::ImageResource& img = it->second;
    std::vector<DWORD> bits(img.pixels.size());
    for (std::size_t i = 0; i < bits.size(); ++i) {
        const COLORREF c = img.pixels[i];
        bits[i] = (static_cast<DWORD>(GetRValue(c)) << 16) | (static_cast<DWORD>(GetGValue(c)) << 8) | GetBValue(c);
    }
    return CreateBitmap(img.width, img.height, 1, 32, bits.empty() ? nullptr : bits.data());
}

HACCEL LoadAcceleratorsA(HINSTANCE, LPCSTR name)
{
    auto& tables = TheStore().accelerators;
    auto it = tables.find(Number(name));
    return it == tables.end() ? nullptr : reinterpret_cast<HACCEL>(&it->second);
}

int TranslateAcceleratorA(HWND hwnd, HACCEL table, MSG* msg)
{
    if (!table || !msg || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN)) {
        return 0;
    }
    // A window disabled behind a modal dialog takes no accelerators: the key stays the
    // dialog's (Space ticks its check box instead of playing in the frame behind).
    if (!IsWindowEnabled(hwnd)) {
        return 0;
    }
    const bool shift = GetAsyncKeyState(VK_SHIFT) < 0;
    const bool control = GetAsyncKeyState(VK_CONTROL) < 0;
    const bool alt = GetAsyncKeyState(VK_MENU) < 0 || msg->message == WM_SYSKEYDOWN;
    for (const ACCEL& a : *reinterpret_cast<const std::vector<ACCEL>*>(table)) {
        if (!(a.fVirt & FVIRTKEY) || a.key != msg->wParam) {
            continue;
        }
        if (((a.fVirt & FSHIFT) != 0) != shift || ((a.fVirt & FCONTROL) != 0) != control || ((a.fVirt & FALT) != 0) != alt) {
            continue;
        }
        SendMessage(hwnd, WM_COMMAND, MAKEWPARAM(a.cmd, 1), 0);
        return 1;
    }
    return 0;
}
