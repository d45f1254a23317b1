#pragma once
// TGauge: a bar (or row of LEDs) showing a value in a range, with an optional
// text made from a printf format of the percentage ("%d%%").
#include "owl/Control.h"

namespace OWL {
class TGauge : public TControl {
public:
    TGauge(TWindow* parent, LPCSTR title, int id, int x, int y, int w, int h, bool isHorizontal = true, int margin = 1,
           TModule* module = nullptr);
    // An alias of a template control of the gauge class.
    TGauge(TWindow* parent, int resourceId, TModule* module = nullptr);

    LPCSTR GetClassName() override { return "OWL_Gauge"; }
    void SetRange(int min, int max);
    void GetRange(int& min, int& max) const
    {
        min = Min;
        max = Max;
    }
    // Sets the value (clamped) and asks for a repaint, even when it did not change.
    void SetValue(int value);
    int GetValue() const { return Value; }
    void DeltaValue(int delta) { SetValue(Value + delta); }
    void SetStep(int step) { Step = step; }
    void StepIt() { DeltaValue(Step); }
    // LED look: spacing in pixels and thickness in percent of it; 0, 0 = a solid bar.
    void SetLed(int spacing, int thickPercent = 90);
    void SetColor(const TColor& colour) { BarColor = colour; }
    TColor GetColor() const { return BarColor; }
    int GetMargin() const { return Margin; }
    void SetMargin(int margin) { Margin = margin; }
    // The text shown on a solid horizontal bar, empty for none.
    std::string GetText() const;

    void Paint(TDC& dc, bool erase, TRect& rect) override;
    // A sunken frame one border wide, then Margin rings of the face colour inside it.
    virtual void PaintBorder(TDC& dc);
    virtual void PaintBar(TDC& dc, TRect& rect);
    virtual void PaintLeds(TDC& dc, TRect& rect);

protected:
    // PaintBorder with the left and right shadow strips optional, for gauges laid side by side.
    void PaintWell(TDC& dc, bool leftEdge, bool rightEdge);

    int Min = 0;
    int Max = 100;
    int Value = 0;
    int Step = 10;
    int Margin;
    bool IsHorizontal;
    int LedSpacing = 0;
    int LedThick = 0;
    TColor BarColor;
};
}
