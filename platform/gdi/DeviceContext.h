#pragma once
// Internal to platform/gdi: surfaces, drawing objects and device contexts as records, shared by its files.
#include <cairo.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/gdi/Gdi.h"

namespace platform {
// A cairo image surface in its RGB24 form (0x00RRGGBB words); the drawing code
// reads and writes the words directly and lets cairo draw text and shapes on
// the same memory. Monochrome surfaces hold only black and white.
struct Surface {
    int width = 0;
    int height = 0;
    bool mono = false;
    cairo_surface_t* image = nullptr;
    std::uint32_t* words = nullptr;
    int stride = 0;  // in words
    std::string drawnText;

    Surface(int w, int h, bool m);
    ~Surface();
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;
    bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height && words; }
    std::uint32_t& Word(int x, int y) { return words[static_cast<std::size_t>(y) * static_cast<std::size_t>(stride) + static_cast<std::size_t>(x)]; }
    std::uint32_t Word(int x, int y) const { return words[static_cast<std::size_t>(y) * static_cast<std::size_t>(stride) + static_cast<std::size_t>(x)]; }
    COLORREF At(int x, int y) const { return Swap(Word(x, y)); }
    void Set(int x, int y, COLORREF c) { Word(x, y) = WordOf(c); }
    // The word a colour is stored as here: black or white on a monochrome surface.
    std::uint32_t WordOf(COLORREF c) const { return Swap(mono ? (c & 0xFFFFFF ? 0xFFFFFF : 0) : c); }
    // COLORREF (0x00BBGGRR) and cairo's word (0x00RRGGBB) differ only in the order of red and blue.
    static constexpr std::uint32_t Swap(std::uint32_t v) { return ((v & 0xFF) << 16) | (v & 0xFF00) | ((v >> 16) & 0xFF); }
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
    std::string font;                  // fonts: a description as pango reads it ("Sans 8")
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
// Around drawing by cairo on a surface whose words were written directly.
void BeginCairo(Surface& s);
void EndCairo(Surface& s);
}
