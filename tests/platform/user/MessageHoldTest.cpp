// Holding other windows' messages while a copy runs: the copy's window is served, the rest come back in order once, quit included.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/kernel/Clock.h"
#include "platform/user/Headless.h"
#include "platform/user/MessageHold.h"
#include "platform/user/Timers.h"
#include "platform/user/Window.h"

namespace {
std::vector<std::string> g_log;

LRESULT LoggingProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg >= WM_USER || msg == WM_TIMER || msg == WM_CHAR || msg == WM_COMMAND) {
        char name[32];
        GetWindowTextA(hwnd, name, sizeof name);
        g_log.push_back(std::string(name) + ":" + std::to_string(msg) + ":" + std::to_string(wp));
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

bool g_acceleratorTook = false;
bool Accelerator(MSG* msg)
{
    g_acceleratorTook = g_acceleratorTook || msg->message == WM_KEYDOWN;
    return msg->message == WM_KEYDOWN;
}

class Hold : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::headless::Reset();
        platform::UseManualClock(1'000'000);
        g_log.clear();
        g_acceleratorTook = false;
        WNDCLASSA wc{};
        wc.lpfnWndProc = LoggingProc;
        wc.lpszClassName = "HoldLogger";
        RegisterClassA(&wc);
        main = CreateWindowExA(0, "HoldLogger", "main", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
        copy = CreateWindowExA(0, "HoldLogger", "copy", WS_POPUP, 0, 0, 50, 50, main, nullptr, nullptr, nullptr);
        button = CreateWindowExA(0, "HoldLogger", "button", WS_CHILD, 0, 0, 10, 10, copy, nullptr, nullptr, nullptr);
        ASSERT_TRUE(main && copy && button);
    }
    void TearDown() override
    {
        platform::SetPreTranslateHook(nullptr);
        platform::headless::Reset();
        platform::UseSystemClock();
    }
    HWND main = nullptr;
    HWND copy = nullptr;
    HWND button = nullptr;
};
}

TEST_F(Hold, TheCopyWindowIsServedAndEverythingElseComesBackInOrderAfterwards)
{
    PostMessage(main, WM_USER + 1, 1, 0);
    {
        platform::MessageHold hold(copy);
        PostMessage(button, WM_USER + 2, 2, 0);
        PostMessage(main, WM_COMMAND, 3, 0);
        PostMessage(nullptr, WM_USER + 4, 4, 0);
        hold.Pump();
        EXPECT_EQ(g_log, (std::vector<std::string>{"button:1026:2"}));
        EXPECT_EQ(hold.HeldCount(), 3u);
        PostQuitMessage(9);
        // Arrived after the last pump: behind what was held, still before anything later.
        PostMessage(main, WM_USER + 5, 5, 0);
    }
    PostMessage(main, WM_USER + 6, 6, 0);
    // The loop stops at the quit, which came before the last message.
    EXPECT_EQ(platform::headless::RunUntilIdle(), 4);
    EXPECT_EQ(g_log, (std::vector<std::string>{"button:1026:2", "main:1025:1", "main:273:3", "main:1029:5"}));
    MSG msg{};
    ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(msg.wParam, 9u);
    ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 6u);
}

TEST_F(Hold, ATimerThatFellDueSeveralTimesFiresOnceAfterwards)
{
    ASSERT_NE(SetTimer(main, 42, 100, nullptr), 0u);
    {
        platform::MessageHold hold(copy);
        for (int i = 0; i < 5; ++i) {
            platform::AdvanceClock(150);
            hold.Pump();
        }
        EXPECT_TRUE(g_log.empty());
    }
    platform::headless::RunUntilIdle();
    EXPECT_EQ(g_log, (std::vector<std::string>{"main:275:42"}));
}

// The keys of the copy's window never reach the accelerators of the window
// behind it: Space on Cancel is Cancel, not the main window's command.
TEST_F(Hold, KeysOfTheCopyWindowBypassTheAccelerators)
{
    platform::SetPreTranslateHook(Accelerator);
    platform::MessageHold hold(copy);
    PostMessage(button, WM_KEYDOWN, 'A', 0);
    hold.Pump();
    EXPECT_FALSE(g_acceleratorTook);
    EXPECT_EQ(g_log, (std::vector<std::string>{"button:258:97"}));
}
