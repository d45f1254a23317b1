// SMeter: the gauges' layout and the switch between mono and stereo.
#include "controls/SMeter.h"

SMeter::SMeter(OWL::TWindow* parent, int resId) : OWL::TControl(parent, resId)
{
    // The parent owns the gauges, as it does every child window object.
    monoGauge = new OWL::TGauge(parent, "", resId + 1, 0, 0, 0, 0, false, 1);
    leftGauge = new FGauge(parent, "", resId + 2, 0, 0, 0, 0, false, true, false);
    rightGauge = new FGauge(parent, "", resId + 3, 0, 0, 0, 0, false, false, true);
}

void SMeter::SetupWindow()
{
    OWL::TControl::SetupWindow();
    // The meter is bound while the parent creates its children, maybe before the gauges.
    for (OWL::TGauge* g : Gauges()) {
        if (!g->GetHandle()) {
            g->Create();
        }
    }
    OWL::TRect r = GetWindowRect();
    OWL::TPoint origin = r.TopLeft();
    if (OWL::TWindow* parent = GetParentO()) {
        parent->ScreenToClient(origin);
    }
    const int x = origin.x;
    const int y = origin.y;
    const int w = r.Width();
    const int h = r.Height();
    constexpr UINT kFlags = SWP_NOZORDER | SWP_NOOWNERZORDER | SWP_NOACTIVATE;
    monoGauge->SetWindowPos(nullptr, x, y, w, h, kFlags);
    leftGauge->SetWindowPos(nullptr, x, y, w / 2, h, kFlags);
    rightGauge->SetWindowPos(nullptr, x + w / 2, y, w / 2, h, kFlags);
    ShowStereo(false);
    rightGauge->SetColor(kRightColor);
    ClearFlag(OWL::wfPredefinedClass);
}

void SMeter::SetRange(int min, int max)
{
    for (OWL::TGauge* g : Gauges()) {
        g->SetRange(min, max);
    }
}

void SMeter::SetLed(int spacing, int thickPercent)
{
    for (OWL::TGauge* g : Gauges()) {
        g->SetLed(spacing, thickPercent);
    }
}

void SMeter::SetValue(int value)
{
    if (stereoShown) {
        ShowStereo(false);
    }
    monoGauge->SetValue(value);
}

void SMeter::SetStereoValues(int left, int right)
{
    if (!stereoShown) {
        ShowStereo(true);
        OWL::TPaintDC dc(GetHandle());
        OWL::TRect rect(dc.Ps.rcPaint);
        Paint(dc, dc.Ps.fErase != FALSE, rect);
    }
    leftGauge->SetValue(left);
    rightGauge->SetValue(right);
}

std::array<OWL::TGauge*, 3> SMeter::Gauges() const { return {monoGauge, leftGauge, rightGauge}; }

void SMeter::ShowStereo(bool stereo)
{
    monoGauge->ShowWindow(stereo ? SW_HIDE : SW_SHOWNORMAL);
    leftGauge->ShowWindow(stereo ? SW_SHOWNORMAL : SW_HIDE);
    rightGauge->ShowWindow(stereo ? SW_SHOWNORMAL : SW_HIDE);
    stereoShown = stereo;
}
