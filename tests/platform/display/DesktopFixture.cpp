// The desktop tests' logging frame class, the user's scripts and the fixture (the session itself is tests/support/DesktopSession.cpp).
#include "tests/platform/display/DesktopFixture.h"

#include <cstdlib>

#include "platform/user/Timers.h"

namespace desktoptest {
namespace {
LRESULT LoggingProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    Log().push_back(Received{hwnd, msg, wp, lp, GetAsyncKeyState(VK_SHIFT) < 0, GetAsyncKeyState(VK_CONTROL) < 0,
                             GetAsyncKeyState(VK_MENU) < 0});
    return DefWindowProcA(hwnd, msg, wp, lp);
}
}

std::vector<Received>& Log()
{
    static std::vector<Received> log;
    return log;
}

void RegisterClasses()
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = LoggingProc;
    wc.lpszClassName = "DeskFrame";
    RegisterClassA(&wc);
}

HWND Frame(int x, int y, int w, int h, DWORD style)
{
    return CreateWindowExA(0, "DeskFrame", "Desk", style, x, y, w, h, nullptr, nullptr, nullptr, nullptr);
}

HWND Child(HWND parent, LPCSTR cls, LPCSTR text, DWORD style, int id, RECT r)
{
    return CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.right - r.left, r.bottom - r.top,
                           parent, reinterpret_cast<HMENU>(static_cast<std::intptr_t>(id)), nullptr, nullptr);
}

std::vector<Received> Seen(UINT message)
{
    std::vector<Received> out;
    for (const Received& r : Log()) {
        if (r.message == message) {
            out.push_back(r);
        }
    }
    return out;
}

namespace {
LRESULT ScriptProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_TIMER) {
        if (auto* s = reinterpret_cast<Script*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA))) {
            s->Tick();
        }
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}
}

Script::Script(std::vector<Step> steps) : steps_(std::move(steps))
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = ScriptProc;
    wc.lpszClassName = "DeskScript";
    RegisterClassA(&wc);
    window_ = CreateWindowExA(0, "DeskScript", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetTimer(window_, 1, 20, nullptr);
    since_ = std::chrono::steady_clock::now();
}

Script::~Script() { DestroyWindow(window_); }

void Script::Tick()
{
    if (next_ >= steps_.size()) {
        return;
    }
    if (steps_[next_].ready()) {
        const std::size_t current = next_++;
        since_ = std::chrono::steady_clock::now();
        steps_[current].act();
    } else if (std::chrono::steady_clock::now() - since_ > std::chrono::seconds(8)) {
        // The screen never got there: unwind every loop, as a quit does, and say where it stuck.
        ADD_FAILURE() << "step " << next_ + 1 << " of the user's script never became ready";
        next_ = steps_.size();
        PostQuitMessage(1);
    }
}

POINT Centre(const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

void Desktop::SetUp()
{
    if (!platform::display::Started()) {
        GTEST_SKIP() << "no private X server (Xvfb) could be started";
    }
    platform::headless::Reset();
    RegisterClasses();
    Log().clear();
}

void Desktop::TearDown()
{
    platform::headless::Reset();
}

void Desktop::ShowAndSettle(HWND top)
{
    ShowWindow(top, SW_SHOW);
    const bool settled = dt::RunUntil([top] {
        if (!dt::Shown(top)) {
            return false;
        }
        for (HWND c = GetWindow(top, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
            if (IsWindowVisible(c) && !dt::ScreenRect(c)) {
                return false;
            }
        }
        return true;
    });
    ASSERT_TRUE(settled) << "the window did not come on the screen";
}
}
