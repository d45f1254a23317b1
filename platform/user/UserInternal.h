#pragma once
// Internal to platform/user: the links between the parts of the window layer.
#include <cstdint>
#include <optional>
#include <string>

#include "platform/user/Window.h"
#include "platform/user/WindowRecord.h"

namespace platform::user_detail {
struct WindowClass {
    std::string name;  // as registered
    WNDCLASSA wc{};
};
// The class of that name in any case, or null; registers the standard controls first.
const WindowClass* FindWindowClass(LPCSTR name);
void RegisterStandardControls();

// While any window procedure runs, the records of windows destroyed meanwhile
// stay allocated, so a procedure's record pointer never dangles.
// Inline: every dispatched message passes here.
struct DispatchScope {
    DispatchScope() { ++depth; }
    ~DispatchScope()
    {
        if (--depth == 0 && buried) {
            FreeBuried();
        }
    }
    DispatchScope(const DispatchScope&) = delete;
    DispatchScope& operator=(const DispatchScope&) = delete;

    static inline int depth = 0;
    static inline bool buried = false;  // records of destroyed windows wait to be freed
    static void FreeBuried();
};

// A window (hwnd itself, or any for null) that waits for WM_PAINT, or null;
// taking it clears its request.
HWND PaintRequest(HWND filter, bool take);

// Timers: the earliest due one (for hwnd, or any for null) as WM_TIMER, its
// next period started when removed; false when none is due.
bool TakeDueTimer(MSG* msg, HWND hwnd, bool remove);
// Milliseconds until the next timer is due (0: due now), or -1 for none.
std::int64_t NextTimerDelay(HWND hwnd);
// The earliest time (layer clock) at which a timer falls due.
std::optional<std::uint64_t> NextTimerDue();

// What goes with a destroyed window.
void KillWindowTimers(HWND hwnd);
void DestroyWindowMenus(HWND hwnd, HANDLE menuBar);
void ForgetWindowSurface(HWND hwnd);
void ForgetWindowState(HWND hwnd);  // focus, capture, activation

void ResetWindows();
void ResetWindowState();
void ResetKeys();
void ResetTimers();
void ResetMouse();
// F1 and the context-menu keys: sends WM_HELP or WM_CONTEXTMENU for the focus window; true when it did.
bool HelpKey(const MSG& msg);
}

namespace platform::user_detail {
// Sends WM_COMMAND (id, code) from a control to its parent.
void NotifyParent(HWND control, UINT code);
// Edit-text editing shared by edits and combo boxes with an edit part.
// Inserts at the selection, keeping the text limit; false when nothing fits.
bool EditInsert(WindowRecord& r, const std::string& text);
bool EditBackspace(WindowRecord& r);
LRESULT ButtonProc(HWND, UINT, WPARAM, LPARAM);
LRESULT StaticProc(HWND, UINT, WPARAM, LPARAM);
LRESULT EditProc(HWND, UINT, WPARAM, LPARAM);
LRESULT ComboProc(HWND, UINT, WPARAM, LPARAM);
LRESULT ListProc(HWND, UINT, WPARAM, LPARAM);
LRESULT UpDownProc(HWND, UINT, WPARAM, LPARAM);
LRESULT TrackbarProc(HWND, UINT, WPARAM, LPARAM);
LRESULT ProgressProc(HWND, UINT, WPARAM, LPARAM);
LRESULT HotKeyProc(HWND, UINT, WPARAM, LPARAM);
LRESULT TooltipProc(HWND, UINT, WPARAM, LPARAM);
LRESULT TabProc(HWND, UINT, WPARAM, LPARAM);
}

namespace platform::user_detail {
// The headless answers are cleared with the windows.
void ClearAnswers();
// Sleeps in the backend until a message may be waiting for this loop (hwnd: its
// filter), a timer falls due, or the clock moves.
void WaitForInput(HWND hwnd);
// A posted message without a window, handed to the thread-message hook.
void DispatchThreadMessage(const MSG& msg);
}
