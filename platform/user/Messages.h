#pragma once
// The message queue of the GUI thread: posted messages in FIFO order.
// PostMessage may be called from any thread (device backends do); it wakes a
// thread waiting in GetMessage. Everything else here belongs to the GUI thread.
// Retrieval order, as the program relies on: posted messages, then paint
// requests, then due timers (earliest first). Only WM_TIMER carries a time (the
// layer clock when it fell due): the queue reads the clock for timers alone.
#include "platform/core/Graphics.h"

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
};

using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);

constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_MOVE = 0x0003;
constexpr UINT WM_SIZE = 0x0005;
constexpr UINT WM_ACTIVATE = 0x0006;
constexpr UINT WM_SETFOCUS = 0x0007;
constexpr UINT WM_KILLFOCUS = 0x0008;
constexpr UINT WM_ENABLE = 0x000A;
constexpr UINT WM_SETTEXT = 0x000C;
constexpr UINT WM_GETTEXT = 0x000D;
constexpr UINT WM_GETTEXTLENGTH = 0x000E;
constexpr UINT WM_PAINT = 0x000F;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUERYENDSESSION = 0x0011;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_ENDSESSION = 0x0016;
constexpr UINT WM_ERASEBKGND = 0x0014;
constexpr UINT WM_SHOWWINDOW = 0x0018;
constexpr UINT WM_NEXTDLGCTL = 0x0028;
constexpr UINT WM_DRAWITEM = 0x002B;
constexpr UINT WM_SETFONT = 0x0030;
constexpr UINT WM_COPYDATA = 0x004A;
constexpr UINT WM_NOTIFY = 0x004E;
constexpr UINT WM_HELP = 0x0053;
constexpr UINT WM_CONTEXTMENU = 0x007B;
constexpr UINT WM_GETICON = 0x007F;
constexpr UINT WM_SETICON = 0x0080;
constexpr UINT WM_NCCREATE = 0x0081;
constexpr UINT WM_NCDESTROY = 0x0082;
constexpr UINT WM_GETDLGCODE = 0x0087;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_CHAR = 0x0102;
constexpr UINT WM_SYSKEYDOWN = 0x0104;
constexpr UINT WM_SYSKEYUP = 0x0105;
constexpr UINT WM_SYSCHAR = 0x0106;
constexpr UINT WM_INITDIALOG = 0x0110;
constexpr UINT WM_COMMAND = 0x0111;
constexpr UINT WM_SYSCOMMAND = 0x0112;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_HSCROLL = 0x0114;
constexpr UINT WM_VSCROLL = 0x0115;
constexpr UINT WM_INITMENUPOPUP = 0x0117;
constexpr UINT WM_ENTERIDLE = 0x0121;
constexpr UINT WM_MOUSEMOVE = 0x0200;
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT WM_LBUTTONDBLCLK = 0x0203;
constexpr UINT WM_RBUTTONDOWN = 0x0204;
constexpr UINT WM_RBUTTONUP = 0x0205;
constexpr UINT WM_DEVICECHANGE = 0x0219;
constexpr UINT WM_CAPTURECHANGED = 0x0215;
constexpr UINT WM_MOUSELEAVE = 0x02A3;
constexpr UINT WM_HOTKEY = 0x0312;
constexpr UINT WM_THEMECHANGED = 0x031A;
constexpr UINT WM_USER = 0x0400;
constexpr UINT WM_APP = 0x8000;

constexpr UINT PM_NOREMOVE = 0x0000;
constexpr UINT PM_REMOVE = 0x0001;

BOOL PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);
// Removes (PM_REMOVE) or looks at the first message for hwnd (null: any) with
// message in [filterMin, filterMax] (both 0: any); FALSE when none is waiting.
BOOL PeekMessage(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags);
// Waits for the next message; returns 0 for WM_QUIT, else non-zero.
BOOL GetMessage(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax);
// Runs the window's procedure at once and returns its result (0 for no window).
LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT DispatchMessage(const MSG* msg);
// Key-down messages of character keys also queue their WM_CHAR.
BOOL TranslateMessage(const MSG* msg);
// Kept for the start-up call; the queue has no fixed size.
BOOL SetMessageQueue(int size);

namespace platform {
// Drops every queued message (tests start from an empty queue).
void ClearMessageQueue();
// The class library's message pre-processing (accelerators, dialog keys),
// offered every message that the layer's own nested loops dispatch; true = handled.
using PreTranslateHook = bool (*)(MSG*);
void SetPreTranslateHook(PreTranslateHook hook);
bool PreTranslate(MSG* msg);
// Dispatches one message the way every loop of the layer does.
void ProcessMessage(MSG* msg);
// The modal dialogs that are up, innermost last (their dialog keys come first).
void PushModalWindow(HWND hwnd);
void PopModalWindow(HWND hwnd);
bool IsModalWindow(HWND hwnd);
}
