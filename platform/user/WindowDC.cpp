// Paint requests, each window's surface (kept until the window goes) and the device contexts that draw into it.
#include "platform/user/WindowDC.h"

#include <map>
#include <memory>

#include "platform/user/UserInternal.h"

namespace {
std::map<HWND, std::shared_ptr<platform::Surface>>& WindowSurfaces()
{
    static std::map<HWND, std::shared_ptr<platform::Surface>> surfaces;
    return surfaces;
}

// A window that changed size gets a fresh surface of its new client size.
std::shared_ptr<platform::Surface> SurfaceOf(HWND hwnd)
{
    RECT rc{};
    GetClientRect(hwnd, &rc);
    auto& s = WindowSurfaces()[hwnd];
    if (!s || platform::SurfaceWidth(*s) != rc.right || platform::SurfaceHeight(*s) != rc.bottom) {
        s = platform::CreateSurface(rc.right, rc.bottom);
    }
    return s;
}

const platform::Surface* ExistingSurface(HWND hwnd)
{
    auto& map = WindowSurfaces();
    auto it = map.find(hwnd);
    return it == map.end() || !IsWindow(hwnd) ? nullptr : it->second.get();
}
}

BOOL InvalidateRect(HWND hwnd, const RECT*, BOOL erase)
{
    platform::WindowRecord* r = platform::FindWindowRecord(hwnd);
    if (!r) {
        return FALSE;
    }
    r->needsPaint = true;
    r->eraseOnPaint = r->eraseOnPaint || erase;
    return TRUE;
}

BOOL ValidateRect(HWND hwnd, const RECT*)
{
    platform::WindowRecord* r = platform::FindWindowRecord(hwnd);
    if (!r) {
        return FALSE;
    }
    r->needsPaint = false;
    return TRUE;
}

BOOL UpdateWindow(HWND hwnd)
{
    platform::WindowRecord* r = platform::FindWindowRecord(hwnd);
    if (!r) {
        return FALSE;
    }
    if (r->needsPaint) {
        r->needsPaint = false;
        ++r->paintCount;
        SendMessage(hwnd, WM_PAINT, 0, 0);
    }
    return TRUE;
}

HDC GetDC(HWND hwnd) { return IsWindow(hwnd) ? platform::CreateSurfaceDC(SurfaceOf(hwnd)) : nullptr; }

int ReleaseDC(HWND hwnd, HDC dc)
{
    const BOOL released = DeleteDC(dc);
    if (const platform::Surface* s = ExistingSurface(hwnd)) {
        platform::CurrentBackend().SurfaceChanged(hwnd, *s);
    }
    return released;
}

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* ps)
{
    platform::WindowRecord* r = platform::FindWindowRecord(hwnd);
    if (!r) {
        return nullptr;
    }
    const std::shared_ptr<platform::Surface> surface = SurfaceOf(hwnd);
    HDC dc = platform::CreateSurfaceDC(surface);
    RECT rc{};
    GetClientRect(hwnd, &rc);
    if (ps) {
        ps->hdc = dc;
        ps->fErase = r->eraseOnPaint ? TRUE : FALSE;
        ps->rcPaint = rc;
    }
    if (r->eraseOnPaint) {
        FillRect(dc, &rc, GetSysColorBrush(COLOR_3DFACE));
    }
    platform::ClearSurfaceText(*surface);
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

namespace platform {
COLORREF WindowPixel(HWND hwnd, int x, int y)
{
    const Surface* s = ExistingSurface(hwnd);
    return s ? SurfacePixel(*s, x, y) : CLR_INVALID;
}

std::string WindowDrawnText(HWND hwnd)
{
    const Surface* s = ExistingSurface(hwnd);
    return s ? SurfaceText(*s) : std::string();
}

namespace user_detail {
void ForgetWindowSurface(HWND hwnd) { WindowSurfaces().erase(hwnd); }
}
}
