// Surfaces, stock and created drawing objects, selection, system colours and the device contexts themselves.
#include <algorithm>
#include <cstring>
#include <map>

#include "platform/gdi/DeviceContext.h"

using namespace platform::gdi_detail;
using platform::Surface;

namespace platform::gdi_detail {
GdiObject* Stock(int which)
{
    static GdiObject white{Kind::Brush, RGB(255, 255, 255), false, 1, true, nullptr};
    static GdiObject black{Kind::Brush, 0, false, 1, true, nullptr};
    static GdiObject hollow{Kind::Brush, 0, true, 1, true, nullptr};
    static GdiObject whitePen{Kind::Pen, RGB(255, 255, 255), false, 1, true, nullptr};
    static GdiObject blackPen{Kind::Pen, 0, false, 1, true, nullptr};
    // The dialog font: what every context draws text with unless told otherwise.
    static GdiObject font{Kind::Font, 0, false, 1, true, nullptr, "Sans 8"};
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
}

namespace {
// A memory DC holds a bitmap it may swap; a surface DC keeps its surface.
HDC NewDc(std::shared_ptr<platform::Surface> surface, GdiObject* bitmap)
{
    auto* d = new DeviceContext;
    d->fixedSurface = bitmap == nullptr;
    d->bitmap = bitmap;
    d->surface = std::move(surface);
    d->brush = Stock(WHITE_BRUSH);
    d->pen = Stock(BLACK_PEN);
    d->font = Stock(DEFAULT_GUI_FONT);
    return reinterpret_cast<HDC>(d);
}
}

namespace platform {
Surface::Surface(int w, int h, bool m) : width(std::max(w, 0)), height(std::max(h, 0)), mono(m)
{
    image = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    if (cairo_surface_status(image) == CAIRO_STATUS_SUCCESS && width > 0 && height > 0) {
        words = reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(image));
        stride = cairo_image_surface_get_stride(image) / 4;
    }
    // New colour surfaces start white, monochrome ones black.
    const std::uint32_t fill = m ? 0 : 0xFFFFFF;
    for (int y = 0; words && y < height; ++y) {
        std::fill(words + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride),
                  words + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride) + static_cast<std::size_t>(width), fill);
    }
    cairo_surface_mark_dirty(image);
}

Surface::~Surface() { cairo_surface_destroy(image); }

std::shared_ptr<Surface> CreateSurface(int width, int height) { return std::make_shared<Surface>(width, height, false); }
int SurfaceWidth(const Surface& surface) { return surface.width; }
int SurfaceHeight(const Surface& surface) { return surface.height; }

COLORREF SurfacePixel(const Surface& surface, int x, int y)
{
    return surface.Inside(x, y) ? surface.At(x, y) : CLR_INVALID;
}

const std::string& SurfaceText(const Surface& surface) { return surface.drawnText; }
void ClearSurfaceText(Surface& surface) { surface.drawnText.clear(); }

HDC CreateSurfaceDC(std::shared_ptr<Surface> surface)
{
    return surface ? NewDc(std::move(surface), nullptr) : nullptr;
}
}

HDC CreateCompatibleDC(HDC) { return NewDc(Stock(-1)->surface, Stock(-1)); }

BOOL DeleteDC(HDC dc)
{
    delete Dc(dc);
    return TRUE;
}

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height)
{
    const bool mono = dc && Dc(dc)->surface && Dc(dc)->surface->mono && !Dc(dc)->fixedSurface;
    auto* o = new GdiObject{Kind::Bitmap, 0, false, 1, false, std::make_shared<Surface>(width, height, mono)};
    return Handle(o);
}

HBITMAP CreateBitmap(int width, int height, UINT, UINT bitsPerPixel, const void* bits)
{
    auto* o = new GdiObject{Kind::Bitmap, 0, false, 1, false, std::make_shared<Surface>(width, height, bitsPerPixel == 1)};
    if (bits && bitsPerPixel == 32) {
        // 32-bit rows hold 0x00RRGGBB words, as the surface does.
        const auto* p = static_cast<const DWORD*>(bits);
        Surface& surface = *o->surface;
        for (int y = 0; y < surface.height; ++y) {
            for (int x = 0; x < surface.width; ++x) {
                surface.Word(x, y) = *p++ & 0xFFFFFF;
            }
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
        if (d->fixedSurface) {
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

namespace {
std::map<int, COLORREF>& DesktopColours()
{
    static std::map<int, COLORREF> colours;
    return colours;
}
}

void platform::SetSystemColours(const std::map<int, COLORREF>& colours) { DesktopColours() = colours; }

DWORD GetSysColor(int index)
{
    if (auto it = DesktopColours().find(index); it != DesktopColours().end()) {
        return it->second;
    }
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
    case COLOR_HIGHLIGHTTEXT:
        return RGB(255, 255, 255);
    case COLOR_INFOTEXT:
        return 0;
    case COLOR_INFOBK:
        return RGB(255, 255, 225);
    case COLOR_HOTLIGHT:
        return RGB(0, 102, 204);
    default:
        return 0;
    }
}

HBRUSH GetSysColorBrush(int index)
{
    static std::map<int, GdiObject> brushes;
    auto [it, fresh] = brushes.try_emplace(index, GdiObject{Kind::Brush, GetSysColor(index), false, 1, true, nullptr});
    (void)fresh;
    it->second.colour = GetSysColor(index);  // the desktop's colours may have changed since
    return reinterpret_cast<HBRUSH>(&it->second);
}
