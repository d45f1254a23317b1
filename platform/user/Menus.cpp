// Menus as records: bars and pop-ups from templates, items by command or position, the system menu and pop-up tracking.
#include "platform/user/Menus.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <set>

#include "platform/user/UserInternal.h"

namespace {
struct MenuItem {
    UINT flags = 0;
    UINT id = 0;
    std::string text;
    HMENU popup = nullptr;
};

struct Menu {
    std::vector<MenuItem> items;
    int defaultPos = -1;
};

std::set<Menu*>& Menus()
{
    static std::set<Menu*> menus;
    return menus;
}

Menu* Find(HMENU h)
{
    Menu* m = reinterpret_cast<Menu*>(h);
    return Menus().count(m) ? m : nullptr;
}

HMENU Make()
{
    Menu* m = new Menu;
    Menus().insert(m);
    return reinterpret_cast<HMENU>(m);
}

// The item by command (searching pop-ups too) or by position.
MenuItem* Locate(HMENU h, UINT item, UINT flags, Menu** owner = nullptr, std::size_t* index = nullptr)
{
    Menu* m = Find(h);
    if (!m) {
        return nullptr;
    }
    if (flags & MF_BYPOSITION) {
        if (item >= m->items.size()) {
            return nullptr;
        }
        if (owner) {
            *owner = m;
        }
        if (index) {
            *index = item;
        }
        return &m->items[item];
    }
    for (std::size_t i = 0; i < m->items.size(); ++i) {
        MenuItem& it = m->items[i];
        if (it.popup) {
            if (MenuItem* inner = Locate(it.popup, item, flags, owner, index)) {
                return inner;
            }
        } else if (it.id == item && !(it.flags & MF_SEPARATOR)) {
            if (owner) {
                *owner = m;
            }
            if (index) {
                *index = i;
            }
            return &it;
        }
    }
    return nullptr;
}

MenuItem MakeItem(UINT flags, UINT_PTR idOrPopup, LPCSTR text)
{
    MenuItem it;
    it.flags = flags & ~MF_BYPOSITION;
    if (flags & MF_POPUP) {
        it.popup = reinterpret_cast<HMENU>(idOrPopup);
    } else {
        it.id = static_cast<UINT>(idOrPopup);
    }
    if (!(flags & MF_SEPARATOR) && text) {
        it.text = text;
    }
    return it;
}

void Build(HMENU menu, const std::vector<platform::MenuItemTemplate>& items)
{
    for (const auto& t : items) {
        if (!t.popup.empty()) {
            HMENU sub = CreatePopupMenu();
            Build(sub, t.popup);
            AppendMenuA(menu, MF_POPUP | t.flags, reinterpret_cast<UINT_PTR>(sub), t.text.c_str());
        } else if (t.id == 0 && t.text.empty()) {
            AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        } else {
            AppendMenuA(menu, MF_STRING | t.flags, t.id, t.text.c_str());
        }
    }
}

std::map<int, std::vector<platform::MenuItemTemplate>>& MenuTemplates()
{
    static std::map<int, std::vector<platform::MenuItemTemplate>> templates;
    return templates;
}

std::map<HWND, HMENU>& SystemMenus()
{
    static std::map<HWND, HMENU> menus;
    return menus;
}
}

namespace platform {
void AddMenu(int id, const std::vector<MenuItemTemplate>& menu) { MenuTemplates()[id] = menu; }
}

HMENU CreateMenu() { return Make(); }
HMENU CreatePopupMenu() { return Make(); }

BOOL DestroyMenu(HMENU menu)
{
    Menu* m = Find(menu);
    if (!m) {
        return FALSE;
    }
    for (auto& it : m->items) {
        if (it.popup) {
            DestroyMenu(it.popup);
        }
    }
    Menus().erase(m);
    delete m;
    return TRUE;
}

BOOL IsMenu(HMENU menu) { return Find(menu) ? TRUE : FALSE; }

HMENU LoadMenuA(HINSTANCE, LPCSTR name)
{
    if (!IS_INTRESOURCE(name)) {
        return nullptr;
    }
    auto& t = MenuTemplates();
    auto it = t.find(static_cast<int>(reinterpret_cast<std::uintptr_t>(name)));
    if (it == t.end()) {
        return nullptr;
    }
    HMENU menu = CreateMenu();
    Build(menu, it->second);
    return menu;
}

BOOL AppendMenuA(HMENU menu, UINT flags, UINT_PTR idOrPopup, LPCSTR text)
{
    Menu* m = Find(menu);
    if (!m) {
        return FALSE;
    }
    m->items.push_back(MakeItem(flags, idOrPopup, text));
    return TRUE;
}

BOOL InsertMenuA(HMENU menu, UINT position, UINT flags, UINT_PTR idOrPopup, LPCSTR text)
{
    Menu* owner = nullptr;
    std::size_t index = 0;
    if (flags & MF_BYPOSITION) {
        Menu* m = Find(menu);
        if (!m) {
            return FALSE;
        }
        index = std::min<std::size_t>(position, m->items.size());
        m->items.insert(m->items.begin() + static_cast<std::ptrdiff_t>(index), MakeItem(flags, idOrPopup, text));
        return TRUE;
    }
    if (!Locate(menu, position, flags, &owner, &index)) {
        return FALSE;
    }
    owner->items.insert(owner->items.begin() + static_cast<std::ptrdiff_t>(index), MakeItem(flags, idOrPopup, text));
    return TRUE;
}

BOOL ModifyMenuA(HMENU menu, UINT position, UINT flags, UINT_PTR idOrPopup, LPCSTR text)
{
    MenuItem* it = Locate(menu, position, flags);
    if (!it) {
        return FALSE;
    }
    *it = MakeItem(flags, idOrPopup, text);
    return TRUE;
}

BOOL RemoveMenu(HMENU menu, UINT position, UINT flags)
{
    Menu* owner = nullptr;
    std::size_t index = 0;
    if (!Locate(menu, position, flags, &owner, &index)) {
        return FALSE;
    }
    owner->items.erase(owner->items.begin() + static_cast<std::ptrdiff_t>(index));
    return TRUE;
}

BOOL DeleteMenu(HMENU menu, UINT position, UINT flags)
{
    MenuItem* it = Locate(menu, position, flags);
    if (it && it->popup) {
        DestroyMenu(it->popup);
        it->popup = nullptr;
    }
    return RemoveMenu(menu, position, flags);
}

HMENU GetSubMenu(HMENU menu, int position)
{
    Menu* m = Find(menu);
    if (!m || position < 0 || position >= static_cast<int>(m->items.size())) {
        return nullptr;
    }
    return m->items[static_cast<std::size_t>(position)].popup;
}

int GetMenuItemCount(HMENU menu)
{
    Menu* m = Find(menu);
    return m ? static_cast<int>(m->items.size()) : -1;
}

UINT GetMenuItemID(HMENU menu, int position)
{
    Menu* m = Find(menu);
    if (!m || position < 0 || position >= static_cast<int>(m->items.size())) {
        return 0xFFFFFFFF;
    }
    const MenuItem& it = m->items[static_cast<std::size_t>(position)];
    return it.popup ? 0xFFFFFFFF : it.id;
}

int GetMenuStringA(HMENU menu, UINT item, LPSTR buffer, int size, UINT flags)
{
    MenuItem* it = Locate(menu, item, flags);
    if (!it) {
        return 0;
    }
    if (!buffer || size <= 0) {
        return static_cast<int>(it->text.size());
    }
    const std::size_t n = std::min<std::size_t>(it->text.size(), static_cast<std::size_t>(size - 1));
    std::memcpy(buffer, it->text.data(), n);
    buffer[n] = '\0';
    return static_cast<int>(n);
}

UINT GetMenuState(HMENU menu, UINT item, UINT flags)
{
    MenuItem* it = Locate(menu, item, flags);
    return it ? it->flags : 0xFFFFFFFF;
}

DWORD CheckMenuItem(HMENU menu, UINT item, UINT check)
{
    MenuItem* it = Locate(menu, item, check);
    if (!it) {
        return 0xFFFFFFFF;
    }
    const DWORD old = it->flags & MF_CHECKED;
    it->flags = (it->flags & ~MF_CHECKED) | (check & MF_CHECKED);
    return old;
}

BOOL EnableMenuItem(HMENU menu, UINT item, UINT enable)
{
    MenuItem* it = Locate(menu, item, enable);
    if (!it) {
        return -1;
    }
    const BOOL old = static_cast<BOOL>(it->flags & (MF_GRAYED | MF_DISABLED));
    it->flags = (it->flags & ~(MF_GRAYED | MF_DISABLED)) | (enable & (MF_GRAYED | MF_DISABLED));
    return old;
}

BOOL SetMenuDefaultItem(HMENU menu, UINT item, UINT byPosition)
{
    Menu* owner = nullptr;
    std::size_t index = 0;
    if (!Locate(menu, item, byPosition ? MF_BYPOSITION : MF_BYCOMMAND, &owner, &index)) {
        return FALSE;
    }
    owner->defaultPos = static_cast<int>(index);
    return TRUE;
}

UINT GetMenuDefaultItem(HMENU menu, UINT byPosition, UINT)
{
    Menu* m = Find(menu);
    if (!m || m->defaultPos < 0) {
        return 0xFFFFFFFF;
    }
    return byPosition ? static_cast<UINT>(m->defaultPos) : m->items[static_cast<std::size_t>(m->defaultPos)].id;
}

HMENU GetMenu(HWND hwnd)
{
    platform::WindowRecord* r = platform::FindWindowRecord(hwnd);
    return r && !(r->state.style & WS_CHILD) ? reinterpret_cast<HMENU>(r->state.menu) : nullptr;
}

BOOL SetMenu(HWND hwnd, HMENU menu)
{
    platform::WindowRecord* r = platform::FindWindowRecord(hwnd);
    if (!r || (r->state.style & WS_CHILD)) {
        return FALSE;
    }
    r->Change(platform::WindowChange::Menu)->menu = menu;
    return TRUE;
}

HMENU GetSystemMenu(HWND hwnd, BOOL revert)
{
    if (!IsWindow(hwnd)) {
        return nullptr;
    }
    auto& menus = SystemMenus();
    std::erase_if(menus, [](const auto& e) { return !IsWindow(e.first); });
    auto it = menus.find(hwnd);
    if (revert) {
        if (it != menus.end()) {
            DestroyMenu(it->second);
            menus.erase(it);
        }
        return nullptr;
    }
    if (it != menus.end()) {
        return it->second;
    }
    HMENU m = CreatePopupMenu();
    AppendMenuA(m, MF_STRING, SC_RESTORE, "&Restore");
    AppendMenuA(m, MF_STRING, 0xF010, "&Move");
    AppendMenuA(m, MF_STRING, 0xF000, "&Size");
    AppendMenuA(m, MF_STRING, SC_MINIMIZE, "Mi&nimize");
    AppendMenuA(m, MF_STRING, SC_MAXIMIZE, "Ma&ximize");
    AppendMenuA(m, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(m, MF_STRING, SC_CLOSE, "&Close\tAlt+F4");
    menus[hwnd] = m;
    return m;
}

BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int, HWND owner, const RECT*)
{
    if (!Find(menu)) {
        return FALSE;
    }
    // The owner brings the items up to date first (enablers, texts), as for any pop-up it opens.
    SendMessage(owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), MAKELPARAM(0, FALSE));
    if (!Find(menu)) {
        return FALSE;
    }
    const UINT chosen = platform::CurrentBackend().TrackPopupMenu(menu, owner, POINT{x, y});
    if (flags & TPM_RETURNCMD) {
        return static_cast<BOOL>(chosen);
    }
    if (chosen) {
        SendMessage(owner, WM_COMMAND, MAKEWPARAM(static_cast<int>(chosen), 0), 0);
    }
    return TRUE;
}

namespace platform::user_detail {
void DestroyWindowMenus(HWND hwnd, HANDLE menuBar)
{
    // A window's menu bar and system menu go with it.
    if (menuBar) {
        DestroyMenu(reinterpret_cast<HMENU>(menuBar));
    }
    auto& menus = SystemMenus();
    auto it = menus.find(hwnd);
    if (it != menus.end()) {
        DestroyMenu(it->second);
        menus.erase(it);
    }
}
}
