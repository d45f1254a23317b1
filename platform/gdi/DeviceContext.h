#pragma once
// Internal to platform/gdi: surfaces, drawing objects and device contexts as records, shared by its files.
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/gdi/Gdi.h"

namespace platform {
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
    COLORREF At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)]; }
};
}

namespace platform::gdi_detail {
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
    bool fixedSurface = false;  // a window's context: its surface cannot be swapped for a bitmap
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

// The stock objects; -1 is the 1x1 monochrome bitmap a new memory DC holds.
GdiObject* Stock(int which);
inline DeviceContext* Dc(HDC dc) { return reinterpret_cast<DeviceContext*>(dc); }
inline GdiObject* Obj(HGDIOBJ o) { return reinterpret_cast<GdiObject*>(o); }
inline GdiObject* Obj(HBRUSH b) { return reinterpret_cast<GdiObject*>(b); }
inline HGDIOBJ Handle(GdiObject* o) { return reinterpret_cast<HGDIOBJ>(o); }

// One pixel, clipped to the surface; a monochrome surface keeps black or white.
void Put(DeviceContext* d, int x, int y, COLORREF c);
void Fill(DeviceContext* d, int l, int t, int r, int b, COLORREF c);
}
