#pragma once
// SMeter: the level meter over a control of the parent's template. It shows
// one full-width bar for mono input and two half-width bars, the right one
// magenta, for stereo; the three gauges are the parent's children laid over
// the control, and only a change of mode shows, hides or repaints them.
#include <array>

#include "controls/FGauge.h"

class SMeter : public OWL::TControl {
public:
    // Gauge ids are resId + 1 (mono), + 2 (left) and + 3 (right).
    SMeter(OWL::TWindow* parent, int resId);

    void SetupWindow() override;
    void SetRange(int min, int max);
    void SetLed(int spacing, int thickPercent);
    void SetValue(int value);
    void SetStereoValues(int left, int right);

    static constexpr COLORREF kRightColor = RGB(255, 0, 255);

private:
    std::array<OWL::TGauge*, 3> Gauges() const;
    // Shows the two half bars (stereo) or the full one, hiding the others.
    void ShowStereo(bool stereo);

    bool stereoShown = false;
    OWL::TGauge* monoGauge;
    FGauge* leftGauge;
    FGauge* rightGauge;
};
