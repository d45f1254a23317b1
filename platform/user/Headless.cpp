// The headless test interface: reset, the loop run until idle, the clock moved, input delivered, state read.
#include "platform/user/Headless.h"

#include <cstdio>
#include <deque>
#include <map>

#include "platform/kernel/Clock.h"
#include "platform/user/Clipboard.h"
#include "platform/user/Controls.h"
#include "platform/user/Keyboard.h"
#include "platform/user/Mouse.h"
#include "platform/user/UserInternal.h"

namespace platform::headless {
namespace {
LPARAM Point(int x, int y) { return MAKELPARAM(x, y); }

void PostMouse(HWND target, UINT msg, int x, int y) { PostMessage(target, msg, 0, Point(x, y)); }

// Statics without SS_NOTIFY and group boxes are transparent to the mouse.
bool Transparent(const WindowRecord& r)
{
    if (r.state.className == WC_STATIC) {
        return !(r.state.style & SS_NOTIFY);
    }
    return r.state.className == WC_BUTTON && (r.state.style & BS_TYPEMASK) == BS_GROUPBOX;
}
}

void Reset()
{
    platform::ClearMessageQueue();
    platform::user_detail::ResetWindows();
    platform::user_detail::ResetTimers();
    platform::ClearMessageQueue();
    platform::user_detail::ClearAnswers();
    platform::SetPreTranslateHook(nullptr);
    platform::ResetClipboard();
}

int RunUntilIdle()
{
    int count = 0;
    MSG msg;
    // A bound, so a message that re-posts itself forever cannot hang a test.
    while (count < 10'000'000 && PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
        if (msg.message == WM_QUIT) {
            break;
        }
        if (!PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
            break;
        }
        platform::ProcessMessage(&msg);
        ++count;
    }
    return count;
}

void Advance(std::uint64_t milliseconds)
{
    const std::uint64_t target = platform::NowMilliseconds() + milliseconds;
    RunUntilIdle();
    for (;;) {
        const std::uint64_t now = platform::NowMilliseconds();
        const auto due = platform::user_detail::NextTimerDue();
        if (due && *due <= target && *due > now) {
            platform::AdvanceClock(*due - now);
        } else if (now < target && (!due || *due > target)) {
            platform::AdvanceClock(target - now);
            RunUntilIdle();
            return;
        } else if (now >= target) {
            RunUntilIdle();
            return;
        }
        RunUntilIdle();
        MSG msg;
        // A quit at the head of the queue holds back the timers: the loop that runs them has ended.
        if (!platform::IsManualClock() || PeekMessage(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE)) {
            return;
        }
    }
}

void Click(HWND control)
{
    RECT rc{};
    GetClientRect(control, &rc);
    POINT centre{rc.right / 2, rc.bottom / 2};
    ClientToScreen(control, &centre);
    platform::MouseAt(control, centre);
    PostMouse(control, WM_LBUTTONDOWN, rc.right / 2, rc.bottom / 2);
    PostMouse(control, WM_LBUTTONUP, rc.right / 2, rc.bottom / 2);
    RunUntilIdle();
}

void DoubleClick(HWND control)
{
    RECT rc{};
    GetClientRect(control, &rc);
    PostMouse(control, WM_LBUTTONDOWN, rc.right / 2, rc.bottom / 2);
    PostMouse(control, WM_LBUTTONUP, rc.right / 2, rc.bottom / 2);
    PostMouse(control, WM_LBUTTONDBLCLK, rc.right / 2, rc.bottom / 2);
    PostMouse(control, WM_LBUTTONUP, rc.right / 2, rc.bottom / 2);
    RunUntilIdle();
}

namespace {
// The deepest window under a client point of window (statics let the mouse
// through); the capture window gets the mouse wherever it is. p becomes the
// target's client point.
HWND MouseTarget(HWND window, POINT& p)
{
    HWND target = window;
    for (;;) {
        WindowRecord* r = FindWindowRecord(target);
        if (!r) {
            return nullptr;
        }
        HWND found = nullptr;
        for (HWND c : r->state.children) {
            WindowRecord* cr = FindWindowRecord(c);
            if (cr && cr->state.visible && !Transparent(*cr) && p.x >= cr->state.rect.left && p.x < cr->state.rect.right &&
                p.y >= cr->state.rect.top && p.y < cr->state.rect.bottom) {
                found = c;
                break;
            }
        }
        if (!found) {
            break;
        }
        WindowRecord* cr = FindWindowRecord(found);
        p.x -= cr->state.rect.left;
        p.y -= cr->state.rect.top;
        target = found;
    }
    POINT screen = p;
    ClientToScreen(target, &screen);
    platform::MouseAt(target, screen);
    if (HWND capture = GetCapture(); capture && capture != target) {
        ScreenToClient(capture, &screen);
        target = capture;
        p = screen;
    }
    return target;
}

void ButtonAt(HWND window, POINT point, UINT msg)
{
    HWND target = MouseTarget(window, point);
    if (target && IsWindowEnabled(target)) {
        PostMouse(target, msg, point.x, point.y);
    }
    RunUntilIdle();
}
}

void ClickAt(HWND window, POINT point, bool doubleClick)
{
    POINT p = point;
    HWND target = MouseTarget(window, p);
    if (!target || !IsWindowEnabled(target)) {
        return;
    }
    PostMouse(target, WM_LBUTTONDOWN, p.x, p.y);
    PostMouse(target, WM_LBUTTONUP, p.x, p.y);
    if (doubleClick) {
        PostMouse(target, WM_LBUTTONDBLCLK, p.x, p.y);
        PostMouse(target, WM_LBUTTONUP, p.x, p.y);
    }
    RunUntilIdle();
}

void MoveMouse(HWND window, POINT point)
{
    if (!window) {
        platform::MouseAt(nullptr, point);
        RunUntilIdle();
        return;
    }
    ButtonAt(window, point, WM_MOUSEMOVE);
}

void PressAt(HWND window, POINT point) { ButtonAt(window, point, WM_LBUTTONDOWN); }

void RightClickAt(HWND window, POINT point)
{
    ButtonAt(window, point, WM_RBUTTONDOWN);
    ButtonAt(window, point, WM_RBUTTONUP);
}
void ReleaseAt(HWND window, POINT point) { ButtonAt(window, point, WM_LBUTTONUP); }

void Key(UINT vk, std::vector<UINT> modifiers)
{
    bool alt = false;
    for (UINT m : modifiers) {
        platform::SetKeyDown(static_cast<int>(m), true);
        alt = alt || m == VK_MENU;
    }
    HWND target = GetFocus();
    if (!target) {
        target = GetActiveWindow();
    }
    platform::SetKeyDown(static_cast<int>(vk), true);
    PostMessage(target, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, vk, alt ? (1 << 29) : 0);
    RunUntilIdle();
    platform::SetKeyDown(static_cast<int>(vk), false);
    PostMessage(target, alt ? WM_SYSKEYUP : WM_KEYUP, vk, alt ? (1 << 29) : 0);
    RunUntilIdle();
    for (UINT m : modifiers) {
        platform::SetKeyDown(static_cast<int>(m), false);
    }
}

void Type(HWND window, const std::string& text)
{
    HWND target = window ? window : GetFocus();
    for (char c : text) {
        PostMessage(target, WM_CHAR, static_cast<unsigned char>(c), 1);
    }
    RunUntilIdle();
}

void Choose(HWND listOrCombo, int index)
{
    PostMessage(listOrCombo, UM_INPUT_CHOOSE, static_cast<WPARAM>(index), 0);
    RunUntilIdle();
}

void Drag(HWND trackbar, int position)
{
    // Pressing the thumb gives the trackbar the focus.
    SetFocus(trackbar);
    PostMessage(trackbar, UM_INPUT_DRAG, static_cast<WPARAM>(static_cast<std::intptr_t>(position)), 0);
    RunUntilIdle();
}

void Step(HWND upDown, bool up)
{
    PostMessage(upDown, UM_INPUT_STEP, up ? 1 : 0, 0);
    RunUntilIdle();
}

std::string Text(HWND window)
{
    const int n = GetWindowTextLengthA(window);
    std::string s(static_cast<std::size_t>(n) + 1, '\0');
    GetWindowTextA(window, s.data(), n + 1);
    s.resize(static_cast<std::size_t>(n));
    return s;
}

int Check(HWND button) { return static_cast<int>(SendMessage(button, BM_GETCHECK, 0, 0)); }

unsigned PaintCount(HWND window)
{
    const WindowRecord* r = FindWindowRecord(window);
    return r ? r->paintCount : 0;
}

bool PaintPending(HWND window)
{
    const WindowRecord* r = FindWindowRecord(window);
    return r && r->needsPaint;
}
}
