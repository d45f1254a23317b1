#pragma once
// Device contexts, brushes, pens and bitmaps of the class library.
#include <string>

#include "owl/Geometry.h"
#include "platform/user/WindowDC.h"

namespace OWL {
class TWindow;
class TModule;

class TGdiObject {
public:
    virtual ~TGdiObject();
    HGDIOBJ GetHandle() const { return handle_; }

protected:
    TGdiObject() = default;
    HGDIOBJ handle_ = nullptr;
    bool owned_ = true;
};

class TBrush : public TGdiObject {
public:
    explicit TBrush(const TColor& colour);
    operator HBRUSH() const { return reinterpret_cast<HBRUSH>(handle_); }
};

class TPen : public TGdiObject {
public:
    TPen(const TColor& colour, int width = 1, int style = PS_SOLID);
    operator HPEN() const { return handle_; }
};

class TBitmap : public TGdiObject {
public:
    TBitmap(int width, int height, int planes = 1, int bitsPerPixel = 32);
    // A bitmap of the module's resources; check IsValid().
    TBitmap(HINSTANCE module, int resId);
    explicit TBitmap(HBITMAP handle, bool owned = true);
    operator HBITMAP() const { return handle_; }
    bool IsValid() const { return handle_ != nullptr; }
    int Width() const;
    int Height() const;
};

class TDC {
public:
    explicit TDC(HDC dc) : dc_(dc) {}
    virtual ~TDC();
    TDC(const TDC&) = delete;
    TDC& operator=(const TDC&) = delete;
    operator HDC() const { return dc_; }
    HDC GetHDC() const { return dc_; }

    bool FillRect(const TRect& rect, const TBrush& brush) { return ::FillRect(dc_, &rect, brush) != 0; }
    bool FrameRect(const TRect& rect, const TBrush& brush) { return ::FrameRect(dc_, &rect, brush) != 0; }
    bool PatBlt(const TRect& rect, DWORD rop = PATCOPY) { return ::PatBlt(dc_, rect.left, rect.top, rect.Width(), rect.Height(), rop) != 0; }
    bool PatBlt(int x, int y, int w, int h, DWORD rop = PATCOPY) { return ::PatBlt(dc_, x, y, w, h, rop) != 0; }
    bool BitBlt(const TRect& dest, const TDC& src, const TPoint& srcOrigin, DWORD rop = SRCCOPY)
    {
        return ::BitBlt(dc_, dest.left, dest.top, dest.Width(), dest.Height(), src, srcOrigin.x, srcOrigin.y, rop) != 0;
    }
    bool BitBlt(int x, int y, int w, int h, const TDC& src, int sx, int sy, DWORD rop = SRCCOPY)
    {
        return ::BitBlt(dc_, x, y, w, h, src, sx, sy, rop) != 0;
    }
    bool TextOut(int x, int y, const std::string& text) { return ::TextOutA(dc_, x, y, text.c_str(), static_cast<int>(text.size())) != 0; }
    bool TextOut(const TPoint& p, const std::string& text) { return TextOut(p.x, p.y, text); }
    TSize GetTextExtent(const std::string& text) const;
    TColor SetTextColor(const TColor& c) { return ::SetTextColor(dc_, c); }
    TColor SetBkColor(const TColor& c) { return ::SetBkColor(dc_, c); }
    int SetBkMode(int mode) { return ::SetBkMode(dc_, mode); }
    UINT SetTextAlign(UINT align) { return ::SetTextAlign(dc_, align); }
    bool MoveTo(int x, int y) { return ::MoveToEx(dc_, x, y, nullptr) != 0; }
    bool LineTo(int x, int y) { return ::LineTo(dc_, x, y) != 0; }
    bool DrawFocusRect(const TRect& rect) { return ::DrawFocusRect(dc_, &rect) != 0; }
    bool DrawEdge(TRect& rect, UINT edge, UINT flags) { return ::DrawEdge(dc_, &rect, edge, flags) != 0; }
    TColor GetPixel(int x, int y) const { return ::GetPixel(dc_, x, y); }
    void SelectObject(const TBrush& brush);
    void SelectObject(const TPen& pen);
    void SelectObject(const TBitmap& bitmap);
    void SelectStockObject(int which);
    // Puts back what the Select calls replaced.
    void RestoreObjects();

protected:
    TDC() = default;
    HDC dc_ = nullptr;
    HGDIOBJ oldBrush_ = nullptr;
    HGDIOBJ oldPen_ = nullptr;
    HGDIOBJ oldBitmap_ = nullptr;
};

class TClientDC : public TDC {
public:
    explicit TClientDC(HWND hwnd);
    ~TClientDC() override;

private:
    HWND hwnd_;
};
using TWindowDC = TClientDC;

class TPaintDC : public TDC {
public:
    explicit TPaintDC(HWND hwnd);
    ~TPaintDC() override;
    PAINTSTRUCT Ps{};

private:
    HWND hwnd_;
};

class TMemoryDC : public TDC {
public:
    TMemoryDC();
    explicit TMemoryDC(const TDC& compatible);
    ~TMemoryDC() override;
};
}
