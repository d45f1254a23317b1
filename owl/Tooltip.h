#pragma once
// TTooltip: the tooltip control of a window; tools are controls (by handle) or
// areas, with a text or a string-table number.
#include <string>

#include "owl/Window.h"

namespace OWL {
class TTooltip : public TWindow {
public:
    explicit TTooltip(TWindow* parent, bool alwaysTip = true, TModule* module = nullptr);
    LPCSTR GetClassName() override { return TOOLTIPS_CLASS; }
    // A tool for a child control; text may be MAKEINTRESOURCE of a string id.
    bool AddTool(HWND control, LPCSTR text);
    bool AddTool(HWND owner, UINT id, const TRect& area, LPCSTR text);
    void DeleteTool(HWND control);
    int GetToolCount() const { return static_cast<int>(::SendMessage(Handle, TTM_GETTOOLCOUNT, 0, 0)); }
    std::string GetToolText(HWND control) const;
    void RelayEvent(MSG& msg) { SendMessage(TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg)); }
    void Activate(bool active = true) { SendMessage(TTM_ACTIVATE, active ? TRUE : FALSE); }
};
}
