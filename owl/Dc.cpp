// Drawing objects delete only what they own; a device context restores what it first replaced before release.
#include "owl/Dc.h"

#include "platform/user/Resources.h"

namespace OWL {
TGdiObject::~TGdiObject()
{
    if (owned_ && handle_) {
        DeleteObject(handle_);
    }
}

TBrush::TBrush(const TColor& colour) { handle_ = reinterpret_cast<HGDIOBJ>(CreateSolidBrush(colour)); }

TPen::TPen(const TColor& colour, int width, int style) { handle_ = CreatePen(style, width, colour); }

TBitmap::TBitmap(int width, int height, int planes, int bitsPerPixel)
{
    handle_ = CreateBitmap(width, height, static_cast<UINT>(planes), static_cast<UINT>(bitsPerPixel), nullptr);
}

TBitmap::TBitmap(HINSTANCE module, int resId) { handle_ = LoadBitmapA(module, MAKEINTRESOURCEA(resId)); }

TBitmap::TBitmap(HBITMAP handle, bool owned)
{
    handle_ = handle;
    owned_ = owned;
}

int TBitmap::Width() const
{
    BITMAP bm{};
    return GetObjectA(handle_, sizeof bm, &bm) ? bm.bmWidth : 0;
}

int TBitmap::Height() const
{
    BITMAP bm{};
    return GetObjectA(handle_, sizeof bm, &bm) ? bm.bmHeight : 0;
}

TDC::~TDC() { RestoreObjects(); }

TSize TDC::GetTextExtent(const std::string& text) const
{
    SIZE s{0, 0};
    GetTextExtentPoint32A(dc_, text.c_str(), static_cast<int>(text.size()), &s);
    return TSize(s);
}

void TDC::SelectObject(const TBrush& brush)
{
    HGDIOBJ old = ::SelectObject(dc_, brush.GetHandle());
    if (!oldBrush_) {
        oldBrush_ = old;
    }
}

void TDC::SelectObject(const TPen& pen)
{
    HGDIOBJ old = ::SelectObject(dc_, pen.GetHandle());
    if (!oldPen_) {
        oldPen_ = old;
    }
}

void TDC::SelectObject(const TBitmap& bitmap)
{
    HGDIOBJ old = ::SelectObject(dc_, bitmap.GetHandle());
    if (!oldBitmap_) {
        oldBitmap_ = old;
    }
}

void TDC::SelectStockObject(int which)
{
    HGDIOBJ old = ::SelectObject(dc_, GetStockObject(which));
    if (which == BLACK_PEN || which == WHITE_PEN) {
        if (!oldPen_) {
            oldPen_ = old;
        }
    } else if (!oldBrush_) {
        oldBrush_ = old;
    }
}

void TDC::RestoreObjects()
{
    if (!dc_) {
        return;
    }
    if (oldBrush_) {
        ::SelectObject(dc_, oldBrush_);
        oldBrush_ = nullptr;
    }
    if (oldPen_) {
        ::SelectObject(dc_, oldPen_);
        oldPen_ = nullptr;
    }
    if (oldBitmap_) {
        ::SelectObject(dc_, oldBitmap_);
        oldBitmap_ = nullptr;
    }
}

TClientDC::TClientDC(HWND hwnd) : hwnd_(hwnd) { dc_ = GetDC(hwnd); }
TClientDC::~TClientDC()
{
    RestoreObjects();
    ReleaseDC(hwnd_, dc_);
    dc_ = nullptr;
}

TPaintDC::TPaintDC(HWND hwnd) : hwnd_(hwnd) { dc_ = BeginPaint(hwnd, &Ps); }
TPaintDC::~TPaintDC()
{
    RestoreObjects();
    EndPaint(hwnd_, &Ps);
    dc_ = nullptr;
}

TMemoryDC::TMemoryDC() { dc_ = CreateCompatibleDC(nullptr); }
TMemoryDC::TMemoryDC(const TDC& compatible) { dc_ = CreateCompatibleDC(compatible); }
TMemoryDC::~TMemoryDC()
{
    RestoreObjects();
    DeleteDC(dc_);
    dc_ = nullptr;
}
}
