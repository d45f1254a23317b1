#include "platform/gdi/Gdi.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {
struct Surface {
    int width = 0;
    int height = 0;
    bool mono = false;
    std::vector<COLORREF> pixels;
    std::string drawnText;

    Surface(int w, int h, bool m) : width(std::max(w, 0)), height(std::max(h, 0)), mono(m),
        pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), m ? 0 : RGB(255, 255, 255)) {}
    bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
    COLORREF& At(int x, int y) { return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)]; }
};

enum class Kind { Brush, Pen, Bitmap, Font };

struct GdiObject {
    Kind kind;
    COLORREF colour = 0;
    bool hollow = false;
    int width = 1;
    bool stock = false;
    std::shared_ptr<Surface> surface;  // bitmaps
};

struct DeviceContext {
    HWND hwnd = nullptr;
    std::shared_ptr<Surface> surface;
    GdiObject* bitmap = nullptr;  // memory DCs: the selected bitmap
    GdiObject* brush = nullptr;
    GdiObject* pen = nullptr;
    GdiObject* font = nullptr;
    COLORREF text = 0;
    COLORREF bk = RGB(255, 255, 255);
    int bkMode = OPAQUE;
    UINT align = 0;
    POINT current{0, 0};
};

GdiObject* Stock(int which)
{
    static GdiObject white{Kind::Brush, RGB(255, 255, 255), false, 1, true, nullptr};
    static GdiObject black{Kind::Brush, 0, false, 1, true, nullptr};
    static GdiObject hollow{Kind::Brush, 0, true, 1, true, nullptr};
    static GdiObject whitePen{Kind::Pen, RGB(255, 255, 255), false, 1, true, nullptr};
    static GdiObject blackPen{Kind::Pen, 0, false, 1, true, nullptr};
    static GdiObject font{Kind::Font, 0, false, 1, true, nullptr};
    static GdiObject monoBitmap{Kind::Bitmap, 0, false, 1, true, std::make_shared<Surface>(1, 1, true)};
    switch (which) {
    case WHITE_BRUSH:
        return &white;
    case BLACK_BRUSH:
        return &black;
    case NULL_BRUSH:
        return &hollow;
    case WHITE_PEN:
        return &whitePen;
    case BLACK_PEN:
        return &blackPen;
    case DEFAULT_GUI_FONT:
        return &font;
    case -1:
        return &monoBitmap;
    default:
        return nullptr;
    }
}

std::map<HWND, std::shared_ptr<Surface>>& WindowSurfaces()
{
    static std::map<HWND, std::shared_ptr<Surface>> surfaces;
    return surfaces;
}

std::shared_ptr<Surface> SurfaceOf(HWND hwnd)
{
    RECT rc{};
    GetClientRect(hwnd, &rc);
    auto& map = WindowSurfaces();
    // Handles are reused after a window is destroyed: forget surfaces of dead windows.
    std::erase_if(map, [](const auto& e) { return !IsWindow(e.first); });
    auto& s = map[hwnd];
    if (!s || s->width != rc.right || s->height != rc.bottom) {
        s = std::make_shared<Surface>(rc.right, rc.bottom, false);
    }
    return s;
}

DeviceContext* Dc(HDC dc) { return reinterpret_cast<DeviceContext*>(dc); }
GdiObject* Obj(HGDIOBJ o) { return reinterpret_cast<GdiObject*>(o); }
HGDIOBJ Handle(GdiObject* o) { return reinterpret_cast<HGDIOBJ>(o); }

void Put(DeviceContext* d, int x, int y, COLORREF c)
{
    if (d && d->surface && d->surface->Inside(x, y)) {
        d->surface->At(x, y) = d->surface->mono ? (c & 0xFFFFFF ? 0xFFFFFF : 0) : (c & 0xFFFFFF);
    }
}

void Fill(DeviceContext* d, int l, int t, int r, int b, COLORREF c)
{
    for (int y = t; y < b; ++y) {
        for (int x = l; x < r; ++x) {
            Put(d, x, y, c);
        }
    }
}
}

HDC GetDC(HWND hwnd)
{
    if (!IsWindow(hwnd)) {
        return nullptr;
    }
    auto* d = new DeviceContext;
    d->hwnd = hwnd;
    d->surface = SurfaceOf(hwnd);
    d->brush = Stock(WHITE_BRUSH);
    d->pen = Stock(BLACK_PEN);
    d->font = Stock(DEFAULT_GUI_FONT);
    return reinterpret_cast<HDC>(d);
}

int ReleaseDC(HWND, HDC dc)
{
    delete Dc(dc);
    return 1;
}

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* ps)
{
    platform::WindowRecord* r = platform::FindWindowRecord(hwnd);
    if (!r) {
        return nullptr;
    }
    HDC dc = GetDC(hwnd);
    if (ps) {
        ps->hdc = dc;
        ps->fErase = r->eraseOnPaint ? TRUE : FALSE;
        GetClientRect(hwnd, &ps->rcPaint);
    }
    if (r->eraseOnPaint) {
        RECT rc{};
        GetClientRect(hwnd, &rc);
        Fill(Dc(dc), 0, 0, rc.right, rc.bottom, GetSysColor(COLOR_3DFACE));
    }
    Dc(dc)->surface->drawnText.clear();
    r->eraseOnPaint = false;
    r->needsPaint = false;
    return dc;
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* ps)
{
    if (ps) {
        ReleaseDC(hwnd, ps->hdc);
    }
    return TRUE;
}

HDC CreateCompatibleDC(HDC)
{
    auto* d = new DeviceContext;
    d->bitmap = Stock(-1);
    d->surface = d->bitmap->surface;
    d->brush = Stock(WHITE_BRUSH);
    d->pen = Stock(BLACK_PEN);
    d->font = Stock(DEFAULT_GUI_FONT);
    return reinterpret_cast<HDC>(d);
}

BOOL DeleteDC(HDC dc)
{
    delete Dc(dc);
    return TRUE;
}

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height)
{
    const bool mono = dc && Dc(dc)->surface && Dc(dc)->surface->mono && !Dc(dc)->hwnd;
    auto* o = new GdiObject{Kind::Bitmap, 0, false, 1, false, std::make_shared<Surface>(width, height, mono)};
    return Handle(o);
}

HBITMAP CreateBitmap(int width, int height, UINT, UINT bitsPerPixel, const void* bits)
{
    auto* o = new GdiObject{Kind::Bitmap, 0, false, 1, false, std::make_shared<Surface>(width, height, bitsPerPixel == 1)};
    if (bits && bitsPerPixel == 32) {
        const auto* p = static_cast<const DWORD*>(bits);
        for (auto& px : o->surface->pixels) {
            const DWORD v = *p++;  // 0x00RRGGBB as stored in a 32-bit DIB row
            px = RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
        }
    }
    return Handle(o);
}

HBRUSH CreateSolidBrush(COLORREF colour)
{
    return reinterpret_cast<HBRUSH>(new GdiObject{Kind::Brush, colour & 0xFFFFFF, false, 1, false, nullptr});
}

HPEN CreatePen(int, int width, COLORREF colour) { return Handle(new GdiObject{Kind::Pen, colour & 0xFFFFFF, false, width, false, nullptr}); }

HGDIOBJ GetStockObject(int which) { return Handle(Stock(which)); }

BOOL DeleteObject(HGDIOBJ object)
{
    GdiObject* o = Obj(object);
    if (!o) {
        return FALSE;
    }
    if (!o->stock) {
        delete o;
    }
    return TRUE;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object)
{
    DeviceContext* d = Dc(dc);
    GdiObject* o = Obj(object);
    if (!d || !o) {
        return nullptr;
    }
    GdiObject* old = nullptr;
    switch (o->kind) {
    case Kind::Brush:
        old = d->brush;
        d->brush = o;
        break;
    case Kind::Pen:
        old = d->pen;
        d->pen = o;
        break;
    case Kind::Font:
        old = d->font;
        d->font = o;
        break;
    case Kind::Bitmap:
        if (d->hwnd) {
            return nullptr;
        }
        old = d->bitmap;
        d->bitmap = o;
        d->surface = o->surface;
        break;
    }
    return Handle(old);
}

int GetObjectA(HGDIOBJ object, int size, void* out)
{
    GdiObject* o = Obj(object);
    if (!o || o->kind != Kind::Bitmap || !out || size < static_cast<int>(sizeof(BITMAP))) {
        return 0;
    }
    BITMAP bm{0, o->surface->width, o->surface->height, o->surface->width * 4, 1,
              static_cast<WORD>(o->surface->mono ? 1 : 32), nullptr};
    std::memcpy(out, &bm, sizeof bm);
    return sizeof(BITMAP);
}

DWORD GetSysColor(int index)
{
    switch (index) {
    case COLOR_3DFACE:
        return RGB(240, 240, 240);
    case COLOR_BTNSHADOW:
        return RGB(160, 160, 160);
    case COLOR_GRAYTEXT:
        return RGB(109, 109, 109);
    case COLOR_BTNTEXT:
    case COLOR_WINDOWTEXT:
        return 0;
    case COLOR_3DHILIGHT:
        return RGB(255, 255, 255);
    case COLOR_3DDKSHADOW:
        return RGB(105, 105, 105);
    case COLOR_3DLIGHT:
        return RGB(227, 227, 227);
    case COLOR_WINDOW:
        return RGB(255, 255, 255);
    case COLOR_HIGHLIGHT:
        return RGB(0, 120, 215);
    default:
        return 0;
    }
}

HBRUSH GetSysColorBrush(int index)
{
    static std::map<int, GdiObject> brushes;
    auto [it, fresh] = brushes.try_emplace(index, GdiObject{Kind::Brush, GetSysColor(index), false, 1, true, nullptr});
    (void)fresh;
    return reinterpret_cast<HBRUSH>(&it->second);
}

int FillRect(HDC dc, const RECT* rect, HBRUSH brush)
{
    GdiObject* b = Obj(reinterpret_cast<HGDIOBJ>(brush));
    if (!dc || !rect || !b || b->hollow) {
        return 0;
    }
    Fill(Dc(dc), rect->left, rect->top, rect->right, rect->bottom, b->colour);
    return 1;
}

int FrameRect(HDC dc, const RECT* rect, HBRUSH brush)
{
    GdiObject* b = Obj(reinterpret_cast<HGDIOBJ>(brush));
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
            COLORREF& px = d->surface->At(xx, yy);
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

BOOL DrawEdge(HDC dc, RECT* rect, UINT edge, UINT flags)
{
    DeviceContext* d = Dc(dc);
    if (!d || !rect) {
        return FALSE;
    }
    const bool raised = (edge & (BDR_RAISEDOUTER | BDR_RAISEDINNER)) != 0;
    const COLORREF light = GetSysColor(COLOR_3DHILIGHT);
    const COLORREF dark = GetSysColor(COLOR_BTNSHADOW);
    const COLORREF tl = raised ? light : dark;
    const COLORREF br = raised ? dark : light;
    Fill(d, rect->left, rect->top, rect->right, rect->top + 1, tl);
    Fill(d, rect->left, rect->top, rect->left + 1, rect->bottom, tl);
    Fill(d, rect->left, rect->bottom - 1, rect->right, rect->bottom, br);
    Fill(d, rect->right - 1, rect->top, rect->right, rect->bottom, br);
    if (flags & BF_ADJUST) {
        rect->left += 1;
        rect->top += 1;
        rect->right -= 1;
        rect->bottom -= 1;
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

namespace platform {
COLORREF WindowPixel(HWND hwnd, int x, int y)
{
    auto& map = WindowSurfaces();
    auto it = map.find(hwnd);
    if (it == map.end() || !IsWindow(hwnd) || !it->second->Inside(x, y)) {
        return CLR_INVALID;
    }
    return it->second->At(x, y);
}

std::string WindowDrawnText(HWND hwnd)
{
    auto& map = WindowSurfaces();
    auto it = map.find(hwnd);
    return it == map.end() || !IsWindow(hwnd) ? std::string() : it->second->drawnText;
}
}
