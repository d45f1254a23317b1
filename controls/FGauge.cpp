// FGauge: the border with optional side strips.
#include "controls/FGauge.h"

FGauge::FGauge(OWL::TWindow* parent, LPCSTR title, int id, int x, int y, int w, int h, bool isHorizontal, bool leftEdge_,
               bool rightEdge_)
    : OWL::TGauge(parent, title, id, x, y, w, h, isHorizontal, 1), leftEdge(leftEdge_), rightEdge(rightEdge_)
{
}

void FGauge::PaintBorder(OWL::TDC& dc) { PaintWell(dc, leftEdge, rightEdge); }
