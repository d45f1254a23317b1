// The gauge's value kept inside its range, painted as a bar with its percentage text or as a row of LEDs.
#include "owl/Gauge.h"

#include <algorithm>
#include <cstdio>

namespace OWL {
TGauge::TGauge(TWindow* parent, LPCSTR title, int id, int x, int y, int w, int h, bool isHorizontal, int margin, TModule* module)
    : TControl(parent, id, title, x, y, w, h, module), Margin(margin), IsHorizontal(isHorizontal),
      BarColor(GetSysColor(COLOR_HIGHLIGHT))
{
    Attr.Style &= ~WS_TABSTOP;
}

TGauge::TGauge(TWindow* parent, int resourceId, TModule* module)
    : TControl(parent, resourceId, module), Margin(1), IsHorizontal(true), BarColor(GetSysColor(COLOR_HIGHLIGHT))
{
}

void TGauge::SetRange(int min, int max)
{
    Min = min;
    Max = max < min ? min : max;
    Value = std::clamp(Value, Min, Max);
}

void TGauge::SetValue(int value)
{
    Value = std::clamp(value, Min, Max);
    if (Handle) {
        Invalidate(false);
    }
}

void TGauge::SetLed(int spacing, int thickPercent)
{
    LedSpacing = spacing;
    LedThick = thickPercent;
}

std::string TGauge::GetText() const
{
    if (!IsHorizontal || LedSpacing || Title.empty()) {
        return std::string();
    }
    const int percent = Max > Min ? static_cast<int>((static_cast<long long>(Value - Min) * 100) / (Max - Min)) : 0;
    char buf[64];
    std::snprintf(buf, sizeof buf, Title.c_str(), percent);
    return buf;
}

void TGauge::Paint(TDC& dc, bool, TRect&)
{
    PaintBorder(dc);
    const TRect client = GetClientRect();
    const int bx = GetSystemMetrics(SM_CXBORDER);
    const int by = GetSystemMetrics(SM_CYBORDER);
    TRect inner(bx, by, client.right - bx, client.bottom - by);
    inner.Inflate(-Margin, -Margin);
    if (inner.IsEmpty()) {
        return;
    }
    if (LedSpacing) {
        PaintLeds(dc, inner);
    } else {
        PaintBar(dc, inner);
    }
}

void TGauge::PaintBorder(TDC& dc) { PaintWell(dc, true, true); }

void TGauge::PaintWell(TDC& dc, bool leftEdge, bool rightEdge)
{
    const int bx = GetSystemMetrics(SM_CXBORDER);
    const int by = GetSystemMetrics(SM_CYBORDER);
    const TRect client = GetClientRect();
    const int w = client.right;
    const int h = client.bottom;
    {
        TBrush shadow(GetSysColor(COLOR_BTNSHADOW));
        dc.SelectObject(shadow);
        if (leftEdge) {
            dc.PatBlt(0, by, bx, h - by, PATCOPY);
        }
        dc.PatBlt(0, 0, w, by, PATCOPY);
        dc.RestoreObjects();
    }
    {
        TBrush highlight(GetSysColor(COLOR_3DHILIGHT));
        dc.SelectObject(highlight);
        if (rightEdge) {
            dc.PatBlt(w - bx, by, bx, h - 2 * by, PATCOPY);
        }
        dc.PatBlt(bx, h - by, w - bx, by, PATCOPY);
        dc.RestoreObjects();
    }
    TBrush face(GetSysColor(COLOR_3DFACE));
    TRect ring(bx, by, w - bx, h - by);
    for (int i = 0; i < Margin; ++i) {
        dc.FrameRect(ring, face);
        ring.Inflate(-1, -1);
    }
}

void TGauge::PaintBar(TDC& dc, TRect& rect)
{
    const long long span = Max > Min ? Max - Min : 1;
    TRect filled = rect;
    if (IsHorizontal) {
        filled.right = rect.left + static_cast<int>(rect.Width() * static_cast<long long>(Value - Min) / span);
    } else {
        filled.top = rect.bottom - static_cast<int>(rect.Height() * static_cast<long long>(Value - Min) / span);
    }
    TRect empty = rect;
    if (IsHorizontal) {
        empty.left = filled.right;
    } else {
        empty.bottom = filled.top;
    }
    dc.FillRect(filled, TBrush(BarColor));
    dc.FillRect(empty, TBrush(GetSysColor(COLOR_3DFACE)));
    const std::string text = GetText();
    if (!text.empty()) {
        dc.SetBkMode(TRANSPARENT);
        dc.SetTextAlign(TA_CENTER);
        dc.TextOut(rect.left + rect.Width() / 2, rect.top, text);
    }
}

void TGauge::PaintLeds(TDC& dc, TRect& rect)
{
    const long long span = Max > Min ? Max - Min : 1;
    const int length = IsHorizontal ? rect.Width() : rect.Height();
    const int lit = static_cast<int>(length * static_cast<long long>(Value - Min) / span);
    const int thick = std::max(1, LedSpacing * LedThick / 100);
    dc.FillRect(rect, TBrush(GetSysColor(COLOR_3DFACE)));
    TBrush bar(BarColor);
    for (int pos = 0; pos < lit; pos += LedSpacing) {
        const int size = std::min(thick, lit - pos);
        TRect led = IsHorizontal ? TRect(rect.left + pos, rect.top, rect.left + pos + size, rect.bottom)
                                 : TRect(rect.left, rect.bottom - pos - size, rect.right, rect.bottom - pos);
        dc.FillRect(led, bar);
    }
}
}
