// Track bars: a range set before the window exists reaches it at set-up.
#include "owl/Slider.h"

namespace OWL {
TSlider::TSlider(TWindow* parent, int id, int x, int y, int w, int h, int thumbResId, bool vertical, TModule* module)
    : TControl(parent, id, nullptr, x, y, w, h, module), thumbResId_(thumbResId)
{
    Attr.Style |= TBS_NOTICKS | (vertical ? TBS_VERT : 0);
    SetFlag(wfPredefinedClass);
}

TSlider::TSlider(TWindow* parent, int resourceId, TModule* module)
    : TControl(parent, resourceId, module), thumbResId_(0), rangeSet_(false)
{
}

void TSlider::SetupWindow()
{
    TControl::SetupWindow();
    if (rangeSet_) {
        SetRange(min_, max_);
    }
}

void TSlider::SetRange(int min, int max)
{
    rangeSet_ = true;
    min_ = min;
    max_ = max;
    if (Handle) {
        SendMessage(TBM_SETRANGEMIN, FALSE, min);
        SendMessage(TBM_SETRANGEMAX, TRUE, max);
    }
}

void TSlider::GetRange(int& min, int& max) const
{
    min = static_cast<int>(::SendMessage(Handle, TBM_GETRANGEMIN, 0, 0));
    max = static_cast<int>(::SendMessage(Handle, TBM_GETRANGEMAX, 0, 0));
}
}
