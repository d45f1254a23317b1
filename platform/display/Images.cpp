// The layer's pixels as the toolkit's images: window surfaces and icons.
#include "platform/display/Desktop.h"
#include "platform/gdi/Gdi.h"
#include "platform/user/Resources.h"

namespace platform::display {
namespace {
wxImage ImageOf(int w, int h, const std::function<COLORREF(int, int)>& pixel)
{
    wxImage image(w, h, false);
    unsigned char* rgb = image.GetData();
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const COLORREF c = pixel(x, y);
            *rgb++ = GetRValue(c);
            *rgb++ = GetGValue(c);
            *rgb++ = GetBValue(c);
        }
    }
    return image;
}
}

wxColour FaceColour(wxWindow* w)
{
    wxWindow* top = wxGetTopLevelParent(w);
    return (top ? top : w)->GetBackgroundColour();
}

wxBitmap SurfaceBitmap(const Surface& surface)
{
    const int w = SurfaceWidth(surface);
    const int h = SurfaceHeight(surface);
    if (w <= 0 || h <= 0) {
        return wxBitmap();
    }
    return wxBitmap(ImageOf(w, h, [&surface](int x, int y) { return SurfacePixel(surface, x, y); }));
}

wxIcon IconFromHandle(HANDLE icon)
{
    const ImageResource* image = icon ? FindIcon(reinterpret_cast<HICON>(icon)) : nullptr;
    if (!image || image->width <= 0 || image->height <= 0 ||
        image->pixels.size() < static_cast<std::size_t>(image->width) * static_cast<std::size_t>(image->height)) {
        return wxIcon();
    }
    const int w = image->width;
    wxIcon out;
    out.CopyFromBitmap(wxBitmap(ImageOf(w, image->height, [image, w](int x, int y) {
        return image->pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x)];
    })));
    return out;
}
}
