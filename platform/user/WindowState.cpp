// Showing, enabling and activating windows, the keyboard focus and the mouse capture.
#include "platform/user/RemoteWindows.h"
#include "platform/user/UserInternal.h"

namespace {
HWND g_focus = nullptr;
HWND g_capture = nullptr;
HWND g_active = nullptr;

// Focus, capture and activation are the layer's, not a record's: the backend hears of them here.
void Tell(HWND hwnd, platform::WindowChange what)
{
    if (const platform::WindowRecord* r = platform::FindWindowRecord(hwnd)) {
        platform::user_detail::NotifyChanged(*r, what);
    }
}

void Activate(HWND hwnd)
{
    if (IsWindow(hwnd)) {
        g_active = hwnd;
        Tell(hwnd, platform::WindowChange::Active);
    }
}
}

namespace platform::user_detail {
void ForgetWindowState(HWND hwnd)
{
    for (HWND* h : {&g_focus, &g_capture, &g_active}) {
        if (*h == hwnd) {
            *h = nullptr;
        }
    }
}

void ResetWindowState() { g_focus = g_capture = g_active = nullptr; }
}

BOOL ShowWindow(HWND hwnd, int command)
{
    if (platform::IsRemoteHandle(hwnd)) {
        platform::RemoteWindows* remote = platform::CurrentRemoteWindows();
        return remote ? remote->Show(hwnd, command) : FALSE;
    }
    platform::WindowRecord* r = platform::FindWindowRecord(hwnd);
    if (!r) {
        return FALSE;
    }
    const BOOL was = r->state.visible ? TRUE : FALSE;
    const bool show = command != SW_HIDE;
    if (r->state.visible != show) {
        {
            auto s = r->Change(platform::WindowChange::Show);
            s->visible = show;
            s->style = show ? (s->style | WS_VISIBLE) : (s->style & ~WS_VISIBLE);
        }
        SendMessage(hwnd, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
        if ((r = platform::FindWindowRecord(hwnd)) == nullptr) {
            return was;
        }
    }
    bool minimized = r->state.minimized;
    if (command == SW_MINIMIZE || command == SW_SHOWMINIMIZED || command == SW_SHOWMINNOACTIVE) {
        minimized = true;
    } else if (command == SW_RESTORE || command == SW_SHOWNORMAL || command == SW_SHOWMAXIMIZED) {
        minimized = false;
    }
    if (minimized != r->state.minimized) {
        r->Change(platform::WindowChange::Show)->minimized = minimized;
    }
    if (show) {
        // A window that appears paints all of itself, its background first.
        r->needsPaint = true;
        r->eraseOnPaint = true;
        if (!(r->state.style & WS_CHILD) && command != SW_SHOWNA && command != SW_SHOWNOACTIVATE &&
            command != SW_SHOWMINNOACTIVE && command != SW_MINIMIZE) {
            Activate(hwnd);
        }
    }
    return was;
}

BOOL IsWindowVisible(HWND hwnd)
{
    if (platform::IsRemoteHandle(hwnd)) {
        platform::RemoteWindows* remote = platform::CurrentRemoteWindows();
        return remote ? remote->IsVisible(hwnd) : FALSE;
    }
    for (platform::WindowRecord* r = platform::FindWindowRecord(hwnd); r;
         r = (r->state.style & WS_CHILD) ? platform::FindWindowRecord(r->state.parent) : nullptr) {
        if (!r->state.visible) {
            return FALSE;
        }
    }
    return IsWindow(hwnd);
}

BOOL IsIconic(HWND hwnd)
{
    if (platform::IsRemoteHandle(hwnd)) {
        platform::RemoteWindows* remote = platform::CurrentRemoteWindows();
        return remote ? remote->IsMinimized(hwnd) : FALSE;
    }
    platform::WindowRecord* r = platform::FindWindowRecord(hwnd);
    return r && r->state.minimized ? TRUE : FALSE;
}

BOOL EnableWindow(HWND hwnd, BOOL enable)
{
    platform::WindowRecord* r = platform::FindWindowRecord(hwnd);
    if (!r) {
        return FALSE;
    }
    const BOOL wasDisabled = r->state.enabled ? FALSE : TRUE;
    if (r->state.enabled != (enable != FALSE)) {
        {
            auto s = r->Change(platform::WindowChange::Enable);
            s->enabled = enable != FALSE;
            s->style = s->enabled ? (s->style & ~WS_DISABLED) : (s->style | WS_DISABLED);
        }
        if (!r->state.enabled && g_focus == hwnd) {
            SetFocus(nullptr);
        }
        SendMessage(hwnd, WM_ENABLE, enable ? TRUE : FALSE, 0);
    }
    return wasDisabled;
}

BOOL IsWindowEnabled(HWND hwnd)
{
    platform::WindowRecord* r = platform::FindWindowRecord(hwnd);
    return r && r->state.enabled ? TRUE : FALSE;
}

HWND SetFocus(HWND hwnd)
{
    if (hwnd && !IsWindow(hwnd)) {
        return nullptr;
    }
    const HWND old = IsWindow(g_focus) ? g_focus : nullptr;
    if (old == hwnd) {
        return old;
    }
    g_focus = hwnd;
    Tell(old, platform::WindowChange::Focus);
    Tell(hwnd, platform::WindowChange::Focus);
    if (old) {
        SendMessage(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
    }
    if (hwnd && g_focus == hwnd) {
        SendMessage(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
    }
    return old;
}

HWND GetFocus() { return IsWindow(g_focus) ? g_focus : nullptr; }

HWND SetCapture(HWND hwnd)
{
    const HWND old = IsWindow(g_capture) ? g_capture : nullptr;
    g_capture = IsWindow(hwnd) ? hwnd : nullptr;
    if (old != g_capture) {
        Tell(old, platform::WindowChange::Capture);
        Tell(g_capture, platform::WindowChange::Capture);
    }
    if (old && old != g_capture) {
        SendMessage(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(g_capture));
    }
    return old;
}

BOOL ReleaseCapture()
{
    const HWND old = IsWindow(g_capture) ? g_capture : nullptr;
    g_capture = nullptr;
    if (old) {
        Tell(old, platform::WindowChange::Capture);
        SendMessage(old, WM_CAPTURECHANGED, 0, 0);
    }
    return TRUE;
}

HWND GetCapture() { return IsWindow(g_capture) ? g_capture : nullptr; }

HWND SetActiveWindow(HWND hwnd)
{
    const HWND old = IsWindow(g_active) ? g_active : nullptr;
    Activate(hwnd);
    return old;
}

HWND GetActiveWindow() { return IsWindow(g_active) ? g_active : nullptr; }

BOOL SetForegroundWindow(HWND hwnd)
{
    if (platform::IsRemoteHandle(hwnd)) {
        platform::RemoteWindows* remote = platform::CurrentRemoteWindows();
        return remote ? remote->SetForeground(hwnd) : FALSE;
    }
    return SetActiveWindow(hwnd), IsWindow(hwnd);
}

BOOL BringWindowToTop(HWND hwnd)
{
    if (platform::IsRemoteHandle(hwnd)) {
        platform::RemoteWindows* remote = platform::CurrentRemoteWindows();
        return remote ? remote->BringToTop(hwnd) : FALSE;
    }
    return SetActiveWindow(hwnd), IsWindow(hwnd);
}

HWND GetLastActivePopup(HWND hwnd)
{
    if (platform::IsRemoteHandle(hwnd)) {
        return hwnd;  // the other process brings its own last pop-up to the top
    }
    const HWND active = GetActiveWindow();
    platform::WindowRecord* a = platform::FindWindowRecord(active);
    if (a && a->state.owner == hwnd && a->state.visible) {
        return active;
    }
    return hwnd;
}
