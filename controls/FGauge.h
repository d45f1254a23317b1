#pragma once
// FGauge: a gauge whose sunken border can leave out its left or right strip,
// so two of them side by side read as one box.
#include "owl/Gauge.h"

class FGauge : public OWL::TGauge {
public:
    FGauge(OWL::TWindow* parent, LPCSTR title, int id, int x, int y, int w, int h, bool isHorizontal, bool leftEdge,
           bool rightEdge);
    void PaintBorder(OWL::TDC& dc) override;

private:
    bool leftEdge;
    bool rightEdge;
};
