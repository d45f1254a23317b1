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
    for (OWL::TGauge* g : {monoGauge, static_cast<OWL::TGauge*>(leftGauge), static_cast<OWL::TGauge*>(rightGauge)}) {
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
    stereoShown = false;
    monoGauge->ShowWindow(SW_SHOWNORMAL);
    leftGauge->ShowWindow(SW_HIDE);
    rightGauge->ShowWindow(SW_HIDE);
    rightGauge->SetColor(kRightColor);
    ClearFlag(OWL::wfPredefinedClass);
}

void SMeter::SetRange(int min, int max)
{
    monoGauge->SetRange(min, max);
    leftGauge->SetRange(min, max);
    rightGauge->SetRange(min, max);
}

void SMeter::SetLed(int spacing, int thickPercent)
{
    monoGauge->SetLed(spacing, thickPercent);
    leftGauge->SetLed(spacing, thickPercent);
    rightGauge->SetLed(spacing, thickPercent);
}

void SMeter::SetValue(int value)
{
    if (stereoShown) {
        monoGauge->ShowWindow(SW_SHOWNORMAL);
        leftGauge->ShowWindow(SW_HIDE);
        rightGauge->ShowWindow(SW_HIDE);
        stereoShown = false;
    }
    monoGauge->SetValue(value);
}

void SMeter::SetStereoValues(int left, int right)
{
    if (!stereoShown) {
        monoGauge->ShowWindow(SW_HIDE);
        leftGauge->ShowWindow(SW_SHOWNORMAL);
        rightGauge->ShowWindow(SW_SHOWNORMAL);
        stereoShown = true;
        OWL::TPaintDC dc(GetHandle());
        OWL::TRect rect(dc.Ps.rcPaint);
        Paint(dc, dc.Ps.fErase != FALSE, rect);
    }
    leftGauge->SetValue(left);
    rightGauge->SetValue(right);
}
