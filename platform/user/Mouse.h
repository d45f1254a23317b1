#pragma once
// The mouse as windows see it: the cursor position and leave tracking. A
// backend reports which window the mouse is over; a window that asked with
// TrackMouseEvent gets one WM_MOUSELEAVE when the mouse leaves it.
#include "platform/user/Messages.h"

struct TRACKMOUSEEVENT {
    DWORD cbSize;
    DWORD dwFlags;
    HWND hwndTrack;
    DWORD dwHoverTime;
};
constexpr DWORD TME_LEAVE = 0x00000002;
constexpr DWORD TME_CANCEL = 0x80000000;

// TME_LEAVE only. When the mouse is not over the window at the call, the leave
// is posted at once.
BOOL TrackMouseEvent(TRACKMOUSEEVENT* track);
BOOL GetCursorPos(POINT* point);

namespace platform {
// Backends: the mouse is now over window (null: none of ours) at this screen point.
void MouseAt(HWND window, POINT screen);
}
