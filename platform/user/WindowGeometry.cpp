// Window positions and sizes, coordinate conversion, hit testing and the screen's metrics.
#include <algorithm>
#include <vector>

#include "platform/user/Controls.h"
#include "platform/user/UserInternal.h"

namespace {
void ScreenOrigin(const platform::WindowRecord* r, LONG& x, LONG& y)
{
    x = 0;
    y = 0;
    while (r) {
        x += r->state.rect.left;
        y += r->state.rect.top;
        r = (r->state.style & WS_CHILD) ? platform::FindWindowRecord(r->state.parent) : nullptr;
    }
}

// Moves a point by the window's client origin on the screen, towards the screen (+1) or the client (-1).
BOOL Shift(HWND hwnd, POINT* point, int direction)
{
    const platform::WindowRecord* r = platform::FindWindowRecord(hwnd);
    if (!r || !point) {
        return FALSE;
    }
    LONG x, y;
    ScreenOrigin(r, x, y);
    point->x += direction * x;
    point->y += direction * y;
    return TRUE;
}
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint)
{
    return SetWindowPos(hwnd, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags)
{
    platform::WindowRecord* r = platform::FindWindowRecord(hwnd);
    if (!r) {
        return FALSE;
    }
    const LONG w = r->state.rect.right - r->state.rect.left;
    const LONG h = r->state.rect.bottom - r->state.rect.top;
    RECT rect = r->state.rect;
    if (!(flags & SWP_NOMOVE)) {
        rect.left = x;
        rect.top = y;
    }
    rect.right = rect.left + ((flags & SWP_NOSIZE) ? w : cx);
    rect.bottom = rect.top + ((flags & SWP_NOSIZE) ? h : cy);
    const RECT& old = r->state.rect;
    if (rect.left != old.left || rect.top != old.top || rect.right != old.right || rect.bottom != old.bottom) {
        r->Change(platform::WindowChange::Position)->rect = rect;
    }
    if (!(flags & SWP_NOZORDER) && (r->state.style & WS_CHILD) && insertAfter != hwnd && IsWindow(insertAfter)) {
        // Behind a sibling: z order is tab order, so a page made late can come right after its tabs.
        platform::WindowRecord* p = platform::FindWindowRecord(r->state.parent);
        if (p && std::find(p->state.children.begin(), p->state.children.end(), insertAfter) != p->state.children.end()) {
            auto family = p->Change(platform::WindowChange::Family);
            std::erase(family->children, hwnd);
            family->children.insert(std::find(family->children.begin(), family->children.end(), insertAfter) + 1, hwnd);
        }
    }
    if (!(flags & SWP_NOZORDER) && (insertAfter == HWND_TOPMOST || insertAfter == HWND_NOTOPMOST)) {
        auto s = r->Change(platform::WindowChange::Style);
        s->topMost = insertAfter == HWND_TOPMOST;
        s->exStyle = s->topMost ? (s->exStyle | WS_EX_TOPMOST) : (s->exStyle & ~WS_EX_TOPMOST);
    }
    if (flags & SWP_SHOWWINDOW) {
        ShowWindow(hwnd, SW_SHOWNA);
    } else if (flags & SWP_HIDEWINDOW) {
        ShowWindow(hwnd, SW_HIDE);
    }
    if (!(flags & SWP_NOSIZE) && (cx != w || cy != h)) {
        SendMessage(hwnd, WM_SIZE, 0, MAKELPARAM(cx, cy));
    }
    return TRUE;
}

BOOL GetWindowRect(HWND hwnd, RECT* rect)
{
    platform::WindowRecord* r = platform::FindWindowRecord(hwnd);
    if (!r || !rect) {
        return FALSE;
    }
    LONG x, y;
    ScreenOrigin(r, x, y);
    *rect = RECT{x, y, x + (r->state.rect.right - r->state.rect.left), y + (r->state.rect.bottom - r->state.rect.top)};
    return TRUE;
}

BOOL GetClientRect(HWND hwnd, RECT* rect)
{
    platform::WindowRecord* r = platform::FindWindowRecord(hwnd);
    if (!r || !rect) {
        return FALSE;
    }
    *rect = RECT{0, 0, r->state.rect.right - r->state.rect.left, r->state.rect.bottom - r->state.rect.top};
    return TRUE;
}

BOOL ScreenToClient(HWND hwnd, POINT* point) { return Shift(hwnd, point, -1); }
BOOL ClientToScreen(HWND hwnd, POINT* point) { return Shift(hwnd, point, 1); }

namespace {
// The child of parent under the point: the first in creation order; with real, the first
// visible one, where a group box, which frames other controls, counts only when none of them lies there.
HWND ChildAt(HWND parent, POINT point, bool real)
{
    platform::WindowRecord* r = platform::FindWindowRecord(parent);
    if (!r) {
        return nullptr;
    }
    const LONG w = r->state.rect.right - r->state.rect.left;
    const LONG h = r->state.rect.bottom - r->state.rect.top;
    if (point.x < 0 || point.y < 0 || point.x >= w || point.y >= h) {
        return nullptr;
    }
    HWND group = nullptr;
    for (HWND c : r->state.children) {
        platform::WindowRecord* cr = platform::FindWindowRecord(c);
        if (!cr || point.x < cr->state.rect.left || point.x >= cr->state.rect.right || point.y < cr->state.rect.top ||
            point.y >= cr->state.rect.bottom) {
            continue;
        }
        if (!real) {
            return c;
        }
        if (!cr->state.visible) {
            continue;
        }
        if (cr->state.className != WC_BUTTON || (cr->state.style & BS_TYPEMASK) != BS_GROUPBOX) {
            return c;
        }
        if (!group) {
            group = c;
        }
    }
    return group ? group : parent;
}
}

HWND ChildWindowFromPoint(HWND parent, POINT point) { return ChildAt(parent, point, false); }
HWND RealChildWindowFromPoint(HWND parent, POINT point) { return ChildAt(parent, point, true); }

int GetSystemMetrics(int index)
{
    switch (index) {
    case SM_CXSCREEN:
        return platform::CurrentBackend().ScreenSize().cx;
    case SM_CYSCREEN:
        return platform::CurrentBackend().ScreenSize().cy;
    case SM_CXBORDER:
    case SM_CYBORDER:
        return 1;
    default:
        return 0;
    }
}

UINT GetDoubleClickTime() { return 500; }

BOOL SetRect(RECT* rect, int left, int top, int right, int bottom)
{
    if (!rect) {
        return FALSE;
    }
    *rect = RECT{left, top, right, bottom};
    return TRUE;
}
