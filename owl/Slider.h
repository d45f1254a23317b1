#pragma once
// THSlider / TVSlider: track bars whose parent receives WM_HSCROLL / WM_VSCROLL
// with the scroll codes (SB_LINELEFT, SB_THUMBTRACK, SB_ENDSCROLL ...).
#include "owl/Control.h"

namespace OWL {
class TSlider : public TControl {
public:
    TSlider(TWindow* parent, int id, int x, int y, int w, int h, int thumbResId, bool vertical, TModule* module = nullptr);
    // An alias of the template's track bar with this id; it keeps the template's range until one is set.
    TSlider(TWindow* parent, int resourceId, TModule* module = nullptr);
    LPCSTR GetClassName() override { return TRACKBAR_CLASS; }
    void SetupWindow() override;
    void SetRange(int min, int max);
    void GetRange(int& min, int& max) const;
    void SetPosition(int pos) { SendMessage(TBM_SETPOS, TRUE, pos); }
    int GetPosition() const { return static_cast<int>(::SendMessage(Handle, TBM_GETPOS, 0, 0)); }
    void SetRuler(int ticGap) { SendMessage(TBM_SETTICFREQ, static_cast<WPARAM>(ticGap)); }
    int GetThumbResId() const { return thumbResId_; }

private:
    int thumbResId_;
    int min_ = 0, max_ = 100;
    bool rangeSet_ = true;
};

class THSlider : public TSlider {
public:
    THSlider(TWindow* parent, int id, int x, int y, int w, int h, int thumbResId = 0, TModule* module = nullptr)
        : TSlider(parent, id, x, y, w, h, thumbResId, false, module) {}
    THSlider(TWindow* parent, int resourceId, TModule* module = nullptr) : TSlider(parent, resourceId, module) {}
};

class TVSlider : public TSlider {
public:
    TVSlider(TWindow* parent, int id, int x, int y, int w, int h, int thumbResId = 0, TModule* module = nullptr)
        : TSlider(parent, id, x, y, w, h, thumbResId, true, module) {}
};
}
