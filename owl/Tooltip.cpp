// Tools added, removed and read through the tooltip's messages; a control's tool is known by its window handle.
#include "owl/Tooltip.h"

namespace OWL {
TTooltip::TTooltip(TWindow* parent, bool, TModule* module) : TWindow(parent, nullptr, module)
{
    Attr.Style = WS_POPUP;
    Attr.X = Attr.Y = 0;
    Attr.W = Attr.H = 0;
    SetFlag(wfPredefinedClass);
}

bool TTooltip::AddTool(HWND control, LPCSTR text)
{
    TOOLINFOA ti{sizeof(TOOLINFOA), TTF_IDISHWND | TTF_SUBCLASS, Parent ? Parent->GetHandle() : nullptr,
                 reinterpret_cast<UINT_PTR>(control), RECT{}, GetModule() ? GetModule()->GetHandle() : nullptr,
                 const_cast<LPSTR>(text), 0};
    return SendMessage(TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti)) != 0;
}

bool TTooltip::AddTool(HWND owner, UINT id, const TRect& area, LPCSTR text)
{
    TOOLINFOA ti{sizeof(TOOLINFOA), TTF_SUBCLASS, owner, id, area, GetModule() ? GetModule()->GetHandle() : nullptr,
                 const_cast<LPSTR>(text), 0};
    return SendMessage(TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti)) != 0;
}

void TTooltip::DeleteTool(HWND control)
{
    TOOLINFOA ti{sizeof(TOOLINFOA), TTF_IDISHWND, nullptr, reinterpret_cast<UINT_PTR>(control), RECT{}, nullptr, nullptr, 0};
    SendMessage(TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
}

std::string TTooltip::GetToolText(HWND control) const
{
    char buf[260] = {};
    TOOLINFOA ti{sizeof(TOOLINFOA), TTF_IDISHWND, nullptr, reinterpret_cast<UINT_PTR>(control), RECT{}, nullptr, buf, 0};
    ::SendMessage(Handle, TTM_GETTEXTA, 0, reinterpret_cast<LPARAM>(&ti));
    return buf;
}
}
