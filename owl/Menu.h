#pragma once
// Menu objects of the class library over the layer's menu records.
#include <string>

#include "platform/user/Menus.h"

namespace OWL {
class TMenu {
public:
    explicit TMenu(HMENU handle = nullptr) : Handle(handle) {}
    virtual ~TMenu() = default;
    operator HMENU() const { return Handle; }
    HMENU GetHandle() const { return Handle; }
    bool IsOK() const { return ::IsMenu(Handle) != FALSE; }
    bool AppendMenu(UINT flags, UINT_PTR id = 0, LPCSTR text = nullptr) { return ::AppendMenuA(Handle, flags, id, text) != FALSE; }
    bool InsertMenu(UINT item, UINT flags, UINT_PTR id = 0, LPCSTR text = nullptr) { return ::InsertMenuA(Handle, item, flags, id, text) != FALSE; }
    bool ModifyMenu(UINT item, UINT flags, UINT_PTR id = 0, LPCSTR text = nullptr) { return ::ModifyMenuA(Handle, item, flags, id, text) != FALSE; }
    bool RemoveMenu(UINT item, UINT flags) { return ::RemoveMenu(Handle, item, flags) != FALSE; }
    bool DeleteMenu(UINT item, UINT flags) { return ::DeleteMenu(Handle, item, flags) != FALSE; }
    int GetMenuItemCount() const { return ::GetMenuItemCount(Handle); }
    UINT GetMenuItemID(int pos) const { return ::GetMenuItemID(Handle, pos); }
    UINT GetMenuState(UINT item, UINT flags) const { return ::GetMenuState(Handle, item, flags); }
    std::string GetMenuString(UINT item, UINT flags) const;
    bool EnableMenuItem(UINT item, UINT enable) { return ::EnableMenuItem(Handle, item, enable) != -1; }
    bool CheckMenuItem(UINT item, UINT check) { return ::CheckMenuItem(Handle, item, check) != 0xFFFFFFFF; }
    HMENU GetSubMenu(int pos) const { return ::GetSubMenu(Handle, pos); }

protected:
    HMENU Handle;
};

// The window's system menu.
class TSystemMenu : public TMenu {
public:
    explicit TSystemMenu(HWND window, bool revert = false) : TMenu(::GetSystemMenu(window, revert ? TRUE : FALSE)) {}
};

// A pop-up menu the object owns.
class TPopupMenu : public TMenu {
public:
    TPopupMenu() : TMenu(::CreatePopupMenu()) {}
    ~TPopupMenu() override { ::DestroyMenu(Handle); }
    TPopupMenu(const TPopupMenu&) = delete;
    TPopupMenu& operator=(const TPopupMenu&) = delete;
    bool TrackPopupMenu(UINT flags, int x, int y, HWND owner) { return ::TrackPopupMenu(Handle, flags, x, y, 0, owner, nullptr) != FALSE; }
};
}
