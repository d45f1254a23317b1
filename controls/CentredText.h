#pragma once
// Where the owner-drawn buttons put a caption centred in their face, and the
// focus rectangle they draw around it; the link and the transport buttons share both.
#include <string>

#include "owl/Dc.h"

// The point of the caption's bottom centre (for TA_CENTER | TA_BOTTOM): the
// middle of r, lowered by half a line.
inline OWL::TPoint CentredTextBottom(const OWL::TDC& dc, const OWL::TRect& r)
{
    const int h = dc.GetTextExtent("L").cy;
    return OWL::TPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2 + h / 2);
}

// The focus rectangle two pixels outside the caption centred in r.
inline void DrawFocusAroundCentredText(OWL::TDC& dc, const OWL::TRect& r, const std::string& text)
{
    const OWL::TSize extent = dc.GetTextExtent(text);
    const int y = CentredTextBottom(dc, r).y;
    const int x0 = (r.left + r.right - extent.cx) / 2;
    dc.DrawFocusRect(OWL::TRect(x0 - 2, y - extent.cy - 2, x0 + extent.cx + 2, y + 2));
}
