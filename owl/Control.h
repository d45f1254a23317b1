#pragma once
// TControl: a child window that is a control, either created by its object or
// bound by id to a control of its parent's template (an alias). Owner-drawn
// controls draw themselves from the parent's WM_DRAWITEM.
#include "owl/Window.h"

namespace OWL {
class TControl : public TWindow {
public:
    TControl(TWindow* parent, int id, LPCSTR title, int x, int y, int w, int h, TModule* module = nullptr);
    // An alias of the template control with this id.
    TControl(TWindow* parent, int resourceId, TModule* module = nullptr);

    bool DrawItemAtChild(DRAWITEMSTRUCT& drawInfo) override;
    virtual void ODADrawEntire(DRAWITEMSTRUCT& drawInfo);
    virtual void ODAFocus(DRAWITEMSTRUCT& drawInfo);
    virtual void ODASelect(DRAWITEMSTRUCT& drawInfo);
};
}
