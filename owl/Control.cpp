// The attributes of controls made by their objects and of those taken over from a template; owner-draw by action.
#include "owl/Control.h"

namespace OWL {
TControl::TControl(TWindow* parent, int id, LPCSTR title, int x, int y, int w, int h, TModule* module)
    : TWindow(parent, title, module)
{
    Attr.Id = id;
    Attr.X = x;
    Attr.Y = y;
    Attr.W = w;
    Attr.H = h;
    Attr.Style = WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP;
}

TControl::TControl(TWindow* parent, int resourceId, TModule* module) : TWindow(parent, nullptr, module)
{
    Attr.Id = resourceId;
    Attr.Style = WS_CHILD;
    SetFlag(wfAlias | wfFromResource);
}

bool TControl::DrawItemAtChild(DRAWITEMSTRUCT& d)
{
    switch (d.itemAction) {
    case ODA_DRAWENTIRE:
        ODADrawEntire(d);
        break;
    case ODA_FOCUS:
        ODAFocus(d);
        break;
    case ODA_SELECT:
        ODASelect(d);
        break;
    default:
        return false;
    }
    return true;
}

void TControl::ODADrawEntire(DRAWITEMSTRUCT&) {}
void TControl::ODAFocus(DRAWITEMSTRUCT&) {}
void TControl::ODASelect(DRAWITEMSTRUCT&) {}
}
