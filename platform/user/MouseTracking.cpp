// The cursor position, the window under it and the one window tracking a leave.
#include "platform/user/Mouse.h"

#include "platform/user/UserInternal.h"
#include "platform/user/Window.h"

namespace {
struct MouseState {
    POINT cursor{0, 0};
    HWND under = nullptr;
    HWND tracking = nullptr;
};
MouseState g_mouse;
}

BOOL TrackMouseEvent(TRACKMOUSEEVENT* track)
{
    if (!track || track->cbSize != sizeof(TRACKMOUSEEVENT) || !IsWindow(track->hwndTrack)) {
        return FALSE;
    }
    if (track->dwFlags & TME_CANCEL) {
        if (g_mouse.tracking == track->hwndTrack) {
            g_mouse.tracking = nullptr;
        }
        return TRUE;
    }
    if (!(track->dwFlags & TME_LEAVE)) {
        return FALSE;
    }
    if (g_mouse.under != track->hwndTrack) {
        PostMessage(track->hwndTrack, WM_MOUSELEAVE, 0, 0);
        return TRUE;
    }
    g_mouse.tracking = track->hwndTrack;
    return TRUE;
}

BOOL GetCursorPos(POINT* point)
{
    if (!point) {
        return FALSE;
    }
    *point = g_mouse.cursor;
    return TRUE;
}

namespace platform {
void MouseAt(HWND window, POINT screen)
{
    g_mouse.cursor = screen;
    if (window == g_mouse.under) {
        return;
    }
    g_mouse.under = window;
    const HWND left = g_mouse.tracking;
    if (left && left != window) {
        g_mouse.tracking = nullptr;
        if (IsWindow(left)) {
            PostMessage(left, WM_MOUSELEAVE, 0, 0);
        }
    }
}
}

namespace platform::user_detail {
void ResetMouse() { g_mouse = MouseState{}; }
}
