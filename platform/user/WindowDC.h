#pragma once
// Device contexts on windows: each window draws into a surface of its own,
// sized to its client area, which a backend shows and tests read back.
#include "platform/gdi/Gdi.h"
#include "platform/user/Window.h"

struct PAINTSTRUCT {
    HDC hdc;
    BOOL fErase;
    RECT rcPaint;
};

HDC GetDC(HWND hwnd);
int ReleaseDC(HWND hwnd, HDC dc);
// Clears the paint request; erases to the dialog face colour when an erase was asked for.
HDC BeginPaint(HWND hwnd, PAINTSTRUCT* ps);
BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* ps);

namespace platform {
// The window's own surface (what it last painted): colour at a client point, or
// CLR_INVALID for a point outside it.
COLORREF WindowPixel(HWND hwnd, int x, int y);
// Texts drawn into a window's surface since its last paint began, for tests.
std::string WindowDrawnText(HWND hwnd);
}
