#pragma once
// The message queue of the GUI thread: posted messages in FIFO order.
// PostMessage may be called from any thread (device backends do); it wakes a
// thread waiting in GetMessage.
#include "platform/core/Types.h"

struct POINT {
    LONG x;
    LONG y;
};

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
};

constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_USER = 0x0400;

constexpr UINT PM_NOREMOVE = 0x0000;
constexpr UINT PM_REMOVE = 0x0001;

BOOL PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);
// Removes (PM_REMOVE) or looks at the first message for hwnd (null: any) with
// message in [filterMin, filterMax] (both 0: any); FALSE when none is waiting.
BOOL PeekMessage(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags);
// Waits for the next message; returns 0 for WM_QUIT, else non-zero.
BOOL GetMessage(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax);

namespace platform {
// Drops every queued message (tests start from an empty queue).
void ClearMessageQueue();
}
