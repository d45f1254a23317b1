// Pixel operations: fills, frames, raster-operation blits, edges, lines and single pixels.
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "platform/gdi/DeviceContext.h"

using namespace platform::gdi_detail;

namespace platform::gdi_detail {
void Put(DeviceContext* d, int x, int y, COLORREF c)
{
    if (d && d->surface && d->surface->Inside(x, y)) {
        d->surface->Set(x, y, c);
    }
}

void Fill(DeviceContext* d, int l, int t, int r, int b, COLORREF c)
{
    if (!d || !d->surface || !d->surface->words) {
        return;
    }
    Surface& s = *d->surface;
    l = std::max(l, 0);
    t = std::max(t, 0);
    r = std::min(r, s.width);
    b = std::min(b, s.height);
    const std::uint32_t word = s.WordOf(c);
    for (int y = t; y < b; ++y) {
        std::fill(&s.Word(l, y), &s.Word(l, y) + std::max(r - l, 0), word);
    }
}

void BeginCairo(Surface& s) { cairo_surface_mark_dirty(s.image); }
void EndCairo(Surface& s) { cairo_surface_flush(s.image); }
}

int FillRect(HDC dc, const RECT* rect, HBRUSH brush)
{
    GdiObject* b = Obj(brush);
    if (!dc || !rect || !b || b->hollow) {
        return 0;
    }
    Fill(Dc(dc), rect->left, rect->top, rect->right, rect->bottom, b->colour);
    return 1;
}

int FrameRect(HDC dc, const RECT* rect, HBRUSH brush)
{
    GdiObject* b = Obj(brush);
    if (!dc || !rect || !b || b->hollow || rect->right <= rect->left || rect->bottom <= rect->top) {
        return 0;
    }
    DeviceContext* d = Dc(dc);
    Fill(d, rect->left, rect->top, rect->right, rect->top + 1, b->colour);
    Fill(d, rect->left, rect->bottom - 1, rect->right, rect->bottom, b->colour);
    Fill(d, rect->left, rect->top, rect->left + 1, rect->bottom, b->colour);
    Fill(d, rect->right - 1, rect->top, rect->right, rect->bottom, b->colour);
    return 1;
}

BOOL PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop)
{
    DeviceContext* d = Dc(dc);
    if (!d || !d->surface) {
        return FALSE;
    }
    const COLORREF pattern = d->brush && !d->brush->hollow ? d->brush->colour : 0;
    for (int yy = y; yy < y + height; ++yy) {
        for (int xx = x; xx < x + width; ++xx) {
            if (!d->surface->Inside(xx, yy)) {
                continue;
            }
            const COLORREF px = d->surface->At(xx, yy);
            switch (rop) {
            case PATCOPY:
                Put(d, xx, yy, pattern);
                break;
            case PATINVERT:
                Put(d, xx, yy, px ^ pattern);
                break;
            case DSTINVERT:
                Put(d, xx, yy, ~px);
                break;
            case BLACKNESS:
                Put(d, xx, yy, 0);
                break;
            case WHITENESS:
                Put(d, xx, yy, 0xFFFFFF);
                break;
            default:
                return FALSE;
            }
        }
    }
    return TRUE;
}

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC src, int sx, int sy, DWORD rop)
{
    DeviceContext* d = Dc(dest);
    DeviceContext* s = Dc(src);
    if (!d || !d->surface) {
        return FALSE;
    }
    if (rop == PATCOPY || rop == PATINVERT || rop == DSTINVERT || rop == BLACKNESS || rop == WHITENESS) {
        return PatBlt(dest, x, y, width, height, rop);
    }
    if (!s || !s->surface) {
        return FALSE;
    }
    // Copy first, so a blit within one surface reads the old pixels.
    std::vector<COLORREF> source(static_cast<std::size_t>(std::max(width, 0)) * static_cast<std::size_t>(std::max(height, 0)), 0);
    for (int yy = 0; yy < height; ++yy) {
        for (int xx = 0; xx < width; ++xx) {
            COLORREF v = 0;
            if (s->surface->Inside(sx + xx, sy + yy)) {
                v = s->surface->At(sx + xx, sy + yy);
            }
            // Colour to mono: the source's background colour becomes white; mono to colour: 0 = text, 1 = background.
            if (!s->surface->mono && d->surface->mono) {
                v = v == s->bk ? 0xFFFFFF : 0;
            } else if (s->surface->mono && !d->surface->mono) {
                v = v ? d->bk : d->text;
            }
            source[static_cast<std::size_t>(yy) * static_cast<std::size_t>(width) + static_cast<std::size_t>(xx)] = v;
        }
    }
    for (int yy = 0; yy < height; ++yy) {
        for (int xx = 0; xx < width; ++xx) {
            if (!d->surface->Inside(x + xx, y + yy)) {
                continue;
            }
            const COLORREF v = source[static_cast<std::size_t>(yy) * static_cast<std::size_t>(width) + static_cast<std::size_t>(xx)];
            const COLORREF old = d->surface->At(x + xx, y + yy);
            COLORREF out;
            switch (rop) {
            case SRCCOPY:
                out = v;
                break;
            case SRCAND:
                out = old & v;
                break;
            case SRCINVERT:
                out = old ^ v;
                break;
            case SRCPAINT:
                out = old | v;
                break;
            default:
                return FALSE;
            }
            Put(d, x + xx, y + yy, out);
        }
    }
    return TRUE;
}

BOOL DrawFocusRect(HDC dc, const RECT* rect)
{
    DeviceContext* d = Dc(dc);
    if (!d || !rect) {
        return FALSE;
    }
    // Dotted XOR frame: drawing it twice restores the pixels.
    auto flip = [d](int x, int y) {
        if (d->surface->Inside(x, y) && ((x + y) % 2 == 0)) {
            Put(d, x, y, d->surface->At(x, y) ^ 0xFFFFFF);
        }
    };
    for (int x = rect->left; x < rect->right; ++x) {
        flip(x, rect->top);
        if (rect->bottom - 1 != rect->top) {
            flip(x, rect->bottom - 1);
        }
    }
    for (int y = rect->top + 1; y < rect->bottom - 1; ++y) {
        flip(rect->left, y);
        if (rect->right - 1 != rect->left) {
            flip(rect->right - 1, y);
        }
    }
    return TRUE;
}

namespace {
// One ring of an edge: the sides the flags ask for, top-left and bottom-right colours.
void EdgeRing(DeviceContext* d, const RECT& r, UINT flags, COLORREF topLeft, COLORREF bottomRight)
{
    if (flags & BF_TOP) {
        Fill(d, r.left, r.top, r.right, r.top + 1, topLeft);
    }
    if (flags & BF_LEFT) {
        Fill(d, r.left, r.top, r.left + 1, r.bottom, topLeft);
    }
    if (flags & BF_BOTTOM) {
        Fill(d, r.left, r.bottom - 1, r.right, r.bottom, bottomRight);
    }
    if (flags & BF_RIGHT) {
        Fill(d, r.right - 1, r.top, r.right, r.bottom, bottomRight);
    }
}

void Shrink(RECT& r, UINT flags)
{
    r.left += (flags & BF_LEFT) ? 1 : 0;
    r.top += (flags & BF_TOP) ? 1 : 0;
    r.right -= (flags & BF_RIGHT) ? 1 : 0;
    r.bottom -= (flags & BF_BOTTOM) ? 1 : 0;
}
}

BOOL DrawEdge(HDC dc, RECT* rect, UINT edge, UINT flags)
{
    DeviceContext* d = Dc(dc);
    if (!d || !rect) {
        return FALSE;
    }
    // Light from the top left: a raised edge is light there and dark at the
    // bottom right, a sunken one the other way round; soft edges swap the two
    // top-left shades so a push button's outer ring is the brightest.
    const COLORREF light = GetSysColor(COLOR_3DLIGHT);
    const COLORREF hilight = GetSysColor(COLOR_3DHILIGHT);
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    const COLORREF dark = GetSysColor(COLOR_3DDKSHADOW);
    const bool soft = (flags & BF_SOFT) != 0;
    RECT r = *rect;
    if (edge & (BDR_RAISEDOUTER | BDR_SUNKENOUTER)) {
        if (edge & BDR_RAISEDOUTER) {
            EdgeRing(d, r, flags, soft ? hilight : light, dark);
        } else {
            EdgeRing(d, r, flags, soft ? dark : shadow, hilight);
        }
        Shrink(r, flags);
    }
    if (edge & (BDR_RAISEDINNER | BDR_SUNKENINNER)) {
        if (edge & BDR_RAISEDINNER) {
            EdgeRing(d, r, flags, soft ? light : hilight, shadow);
        } else {
            EdgeRing(d, r, flags, soft ? shadow : dark, light);
        }
        Shrink(r, flags);
    }
    if (flags & BF_MIDDLE) {
        Fill(d, r.left, r.top, r.right, r.bottom, GetSysColor(COLOR_3DFACE));
    }
    if (flags & BF_ADJUST) {
        *rect = r;
    }
    return TRUE;
}

BOOL MoveToEx(HDC dc, int x, int y, POINT* old)
{
    DeviceContext* d = Dc(dc);
    if (!d) {
        return FALSE;
    }
    if (old) {
        *old = d->current;
    }
    d->current = POINT{x, y};
    return TRUE;
}

BOOL LineTo(HDC dc, int x, int y)
{
    DeviceContext* d = Dc(dc);
    if (!d) {
        return FALSE;
    }
    // The end point itself is not drawn.
    int x0 = d->current.x;
    int y0 = d->current.y;
    const int dx = std::abs(x - x0);
    const int dy = -std::abs(y - y0);
    const int stepX = x0 < x ? 1 : -1;
    const int stepY = y0 < y ? 1 : -1;
    int err = dx + dy;
    const COLORREF c = d->pen ? d->pen->colour : 0;
    while (!(x0 == x && y0 == y)) {
        Put(d, x0, y0, c);
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += stepX;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += stepY;
        }
    }
    d->current = POINT{x, y};
    return TRUE;
}

COLORREF SetPixel(HDC dc, int x, int y, COLORREF colour)
{
    Put(Dc(dc), x, y, colour);
    return colour;
}

COLORREF GetPixel(HDC dc, int x, int y)
{
    DeviceContext* d = Dc(dc);
    if (!d || !d->surface || !d->surface->Inside(x, y)) {
        return CLR_INVALID;
    }
    return d->surface->At(x, y);
}
