#pragma once
// Command enablers: asked when a menu is about to show, by command id.
#include <string>

#include "platform/user/Menus.h"

namespace OWL {
class TCommandEnabler {
public:
    explicit TCommandEnabler(UINT id, HWND receiver = nullptr) : Id(id), Receiver(receiver) {}
    virtual ~TCommandEnabler() = default;
    UINT GetId() const { return Id; }
    virtual void Enable(bool enable = true)
    {
        Enabled = enable;
        Handled = true;
    }
    virtual void SetText(LPCSTR text) { Text = text ? text : ""; }
    enum { Unchecked, Checked, Indeterminate };
    virtual void SetCheck(int state) { CheckState = state; }
    bool WasHandled() const { return Handled; }

    UINT Id;
    HWND Receiver;
    bool Handled = false;
    bool Enabled = true;
    int CheckState = -1;  // -1: not set
    std::string Text;     // empty: not set
};

// Applies what the handlers decided to one menu item.
class TMenuItemEnabler : public TCommandEnabler {
public:
    TMenuItemEnabler(HMENU menu, UINT id, HWND receiver, int position)
        : TCommandEnabler(id, receiver), menu_(menu), position_(position) {}
    void Enable(bool enable = true) override
    {
        TCommandEnabler::Enable(enable);
        EnableMenuItem(menu_, static_cast<UINT>(position_), MF_BYPOSITION | (enable ? MF_ENABLED : MF_GRAYED));
    }
    void SetText(LPCSTR text) override
    {
        TCommandEnabler::SetText(text);
        const UINT state = GetMenuState(menu_, static_cast<UINT>(position_), MF_BYPOSITION);
        ModifyMenuA(menu_, static_cast<UINT>(position_), MF_BYPOSITION | MF_STRING | (state & (MF_CHECKED | MF_GRAYED)), Id, text);
    }
    void SetCheck(int state) override
    {
        TCommandEnabler::SetCheck(state);
        CheckMenuItem(menu_, static_cast<UINT>(position_), MF_BYPOSITION | (state == Checked ? MF_CHECKED : MF_UNCHECKED));
    }

private:
    HMENU menu_;
    int position_;
};
}
