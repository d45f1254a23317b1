// Text colours, background mode, alignment, text output and text extents.
#include "platform/gdi/DeviceContext.h"

using namespace platform::gdi_detail;

COLORREF SetTextColor(HDC dc, COLORREF colour)
{
    DeviceContext* d = Dc(dc);
    if (!d) {
        return CLR_INVALID;
    }
    const COLORREF old = d->text;
    d->text = colour & 0xFFFFFF;
    return old;
}

COLORREF SetBkColor(HDC dc, COLORREF colour)
{
    DeviceContext* d = Dc(dc);
    if (!d) {
        return CLR_INVALID;
    }
    const COLORREF old = d->bk;
    d->bk = colour & 0xFFFFFF;
    return old;
}

int SetBkMode(HDC dc, int mode)
{
    DeviceContext* d = Dc(dc);
    if (!d) {
        return 0;
    }
    const int old = d->bkMode;
    d->bkMode = mode;
    return old;
}

UINT SetTextAlign(HDC dc, UINT align)
{
    DeviceContext* d = Dc(dc);
    if (!d) {
        return 0;
    }
    const UINT old = d->align;
    d->align = align;
    return old;
}

namespace {
constexpr int kCharWidth = 6;
constexpr int kCharHeight = 13;
}

BOOL TextOutA(HDC dc, int x, int y, LPCSTR text, int length)
{
    DeviceContext* d = Dc(dc);
    if (!d || !text || length < 0) {
        return FALSE;
    }
    const std::string s(text, static_cast<std::size_t>(length));
    // Glyphs are not rasterised: an opaque background box is drawn and the text is recorded.
    int left = x;
    int top = y;
    const int w = length * kCharWidth;
    if ((d->align & TA_CENTER) == TA_CENTER) {
        left -= w / 2;
    } else if (d->align & TA_RIGHT) {
        left -= w;
    }
    if ((d->align & TA_BASELINE) == TA_BASELINE) {
        top -= kCharHeight - 3;
    } else if (d->align & TA_BOTTOM) {
        top -= kCharHeight;
    }
    if (d->bkMode == OPAQUE) {
        Fill(d, left, top, left + w, top + kCharHeight, d->bk);
    }
    if (d->surface) {
        if (!d->surface->drawnText.empty()) {
            d->surface->drawnText += '\n';
        }
        d->surface->drawnText += s;
    }
    return TRUE;
}

BOOL GetTextExtentPoint32A(HDC dc, LPCSTR text, int length, SIZE* size)
{
    if (!dc || !text || !size || length < 0) {
        return FALSE;
    }
    size->cx = length * kCharWidth;
    size->cy = kCharHeight;
    return TRUE;
}
