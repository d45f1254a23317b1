#pragma once
// The class library's value types: points, sizes, rectangles and colours.
#include "platform/gdi/Gdi.h"

namespace OWL {
struct TPoint : POINT {
    TPoint() : POINT{0, 0} {}
    TPoint(int x_, int y_) : POINT{x_, y_} {}
    TPoint(const POINT& p) : POINT(p) {}
    bool operator==(const TPoint& o) const { return x == o.x && y == o.y; }
};

struct TSize : SIZE {
    TSize() : SIZE{0, 0} {}
    TSize(int cx_, int cy_) : SIZE{cx_, cy_} {}
    TSize(const SIZE& s) : SIZE(s) {}
};

struct TRect : RECT {
    TRect() : RECT{0, 0, 0, 0} {}
    TRect(int l, int t, int r, int b) : RECT{l, t, r, b} {}
    TRect(const RECT& r) : RECT(r) {}
    TRect(const TPoint& p, const TSize& s) : RECT{p.x, p.y, p.x + s.cx, p.y + s.cy} {}
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    TPoint TopLeft() const { return TPoint(left, top); }
    TPoint BottomRight() const { return TPoint(right, bottom); }
    TSize Size() const { return TSize(Width(), Height()); }
    bool Contains(const TPoint& p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    TRect& Inflate(int dx, int dy)
    {
        left -= dx;
        top -= dy;
        right += dx;
        bottom += dy;
        return *this;
    }
    TRect InflatedBy(int dx, int dy) const { return TRect(*this).Inflate(dx, dy); }
    TRect& Offset(int dx, int dy)
    {
        left += dx;
        right += dx;
        top += dy;
        bottom += dy;
        return *this;
    }
    bool operator==(const TRect& o) const { return left == o.left && top == o.top && right == o.right && bottom == o.bottom; }
};

class TColor {
public:
    TColor() = default;
    TColor(COLORREF value) : value_(value) {}
    TColor(int r, int g, int b) : value_(RGB(r, g, b)) {}
    operator COLORREF() const { return value_; }
    BYTE Red() const { return GetRValue(value_); }
    BYTE Green() const { return GetGValue(value_); }
    BYTE Blue() const { return GetBValue(value_); }

    static const TColor Black;
    static const TColor White;
    static const TColor LtGray;
    static const TColor Sys3dFace;
    static const TColor SysBtnText;
    static const TColor Sys3dShadow;
    static const TColor Sys3dHilight;

private:
    COLORREF value_ = 0;
};
}
