// The message model the recorder engine depends on: order of posted, sent and
// timer messages, re-entrant pumps, other threads, modal message boxes.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/kernel/Clock.h"
#include "platform/user/Headless.h"
#include "platform/user/MessageBox.h"
#include "platform/user/Timers.h"
#include "platform/user/Window.h"

namespace {
struct Seen {
    UINT msg;
    WPARAM wParam;
};
std::vector<Seen> g_seen;
std::function<void(HWND, UINT, WPARAM)> g_onMessage;

LRESULT RecordingProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg >= WM_USER || msg == WM_TIMER) {
        g_seen.push_back(Seen{msg, wp});
        if (g_onMessage) {
            g_onMessage(hwnd, msg, wp);
        }
        return static_cast<LRESULT>(wp) * 2;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

class MessageModel : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::headless::Reset();
        platform::UseManualClock(1'700'000'000);
        g_seen.clear();
        g_onMessage = nullptr;
        WNDCLASSA wc{};
        wc.lpfnWndProc = RecordingProc;
        wc.lpszClassName = "RecordingWindow";
        RegisterClassA(&wc);
        hwnd = CreateWindowExA(0, "RecordingWindow", "w", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(hwnd, nullptr);
    }
    void TearDown() override
    {
        g_onMessage = nullptr;
        platform::headless::Reset();
        platform::UseSystemClock();
    }
    std::vector<UINT> Messages() const
    {
        std::vector<UINT> out;
        for (const Seen& s : g_seen) {
            out.push_back(s.msg);
        }
        return out;
    }
    HWND hwnd = nullptr;
};
}

TEST_F(MessageModel, PostedMessagesAreDispatchedInOrderAfterTheCurrentHandler)
{
    g_onMessage = [](HWND h, UINT msg, WPARAM) {
        if (msg == WM_USER + 1) {
            PostMessage(h, WM_USER + 9, 0, 0);  // queues behind the ones already waiting
        }
    };
    for (UINT i = 1; i <= 4; ++i) {
        PostMessage(hwnd, WM_USER + i, i, 0);
    }
    EXPECT_EQ(platform::headless::RunUntilIdle(), 5);
    EXPECT_EQ(Messages(), (std::vector<UINT>{WM_USER + 1, WM_USER + 2, WM_USER + 3, WM_USER + 4, WM_USER + 9}));
}

TEST_F(MessageModel, SendMessageRunsTheHandlerAtOnceAndReturnsItsResult)
{
    PostMessage(hwnd, WM_USER + 1, 1, 0);
    EXPECT_EQ(SendMessage(hwnd, WM_USER + 2, 21, 0), 42);
    ASSERT_EQ(Messages(), (std::vector<UINT>{WM_USER + 2}));
    platform::headless::RunUntilIdle();
    EXPECT_EQ(Messages(), (std::vector<UINT>{WM_USER + 2, WM_USER + 1}));
    EXPECT_EQ(SendMessage(nullptr, WM_USER, 1, 0), 0);
}

TEST_F(MessageModel, PumpInsideAHandlerSeesLaterPostsOnceAndTheOuterLoopDoesNotRepeatThem)
{
    g_onMessage = [](HWND h, UINT msg, WPARAM) {
        if (msg == WM_USER + 1) {
            PostMessage(h, WM_USER + 5, 0, 0);
            MSG m;
            while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {  // "let pending messages run"
                TranslateMessage(&m);
                DispatchMessage(&m);
            }
        }
    };
    PostMessage(hwnd, WM_USER + 1, 0, 0);
    PostMessage(hwnd, WM_USER + 2, 0, 0);
    platform::headless::RunUntilIdle();
    EXPECT_EQ(Messages(), (std::vector<UINT>{WM_USER + 1, WM_USER + 2, WM_USER + 5}));
}

TEST_F(MessageModel, MessagesFromADeviceThreadArriveInOrderAndWakeGetMessage)
{
    constexpr UINT kCount = 2000;
    std::thread device([this] {
        for (UINT i = 0; i < kCount; ++i) {
            PostMessage(hwnd, WM_USER + 7, i, 0);
        }
        PostMessage(hwnd, WM_QUIT, 3, 0);
    });
    MSG msg;
    while (GetMessage(&msg, nullptr, 0, 0)) {
        DispatchMessage(&msg);
    }
    device.join();
    EXPECT_EQ(msg.wParam, 3u);
    ASSERT_EQ(g_seen.size(), kCount);
    for (UINT i = 0; i < kCount; ++i) {
        EXPECT_EQ(g_seen[i].wParam, i);
    }
}

TEST_F(MessageModel, TimersFireAfterPostedMessagesInClockOrder)
{
    HWND other = CreateWindowExA(0, "RecordingWindow", "o", WS_OVERLAPPED, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(SetTimer(hwnd, 42, 300, nullptr), 0u);
    ASSERT_NE(SetTimer(other, 39, 100, nullptr), 0u);
    platform::AdvanceClock(500);  // both due; 39 was due first
    PostMessage(hwnd, WM_USER + 1, 0, 0);
    platform::headless::RunUntilIdle();
    ASSERT_EQ(g_seen.size(), 3u);
    EXPECT_EQ(g_seen[0].msg, WM_USER + 1);
    EXPECT_EQ(g_seen[1].msg, WM_TIMER);
    EXPECT_EQ(g_seen[1].wParam, 39u);
    EXPECT_EQ(g_seen[2].wParam, 42u);
}

TEST_F(MessageModel, PeriodicTimerFiresOncePerPeriodUntilKilledAndReArmingReplacesIt)
{
    SetTimer(hwnd, 42, 1000, nullptr);
    platform::headless::Advance(999);
    EXPECT_TRUE(g_seen.empty());
    platform::headless::Advance(1);
    EXPECT_EQ(g_seen.size(), 1u);
    platform::headless::Advance(2000);
    EXPECT_EQ(g_seen.size(), 3u);
    // Re-arming the same id replaces it: the next tick comes a full new period later.
    platform::headless::Advance(500);
    SetTimer(hwnd, 42, 2000, nullptr);
    platform::headless::Advance(1999);
    EXPECT_EQ(g_seen.size(), 3u);
    platform::headless::Advance(1);
    EXPECT_EQ(g_seen.size(), 4u);
    EXPECT_TRUE(KillTimer(hwnd, 42));
    EXPECT_FALSE(KillTimer(hwnd, 42));
    platform::headless::Advance(10000);
    EXPECT_EQ(g_seen.size(), 4u);
}

TEST_F(MessageModel, TimerKilledInItsHandlerFiresOnce)
{
    g_onMessage = [](HWND h, UINT msg, WPARAM id) {
        if (msg == WM_TIMER) {
            KillTimer(h, id);
        }
    };
    SetTimer(hwnd, 39, 100, nullptr);
    platform::headless::Advance(1000);
    EXPECT_EQ(g_seen.size(), 1u);
}

TEST_F(MessageModel, LongClockJumpGivesOneTimerMessageNotABacklog)
{
    SetTimer(hwnd, 1, 100, nullptr);
    platform::AdvanceClock(10'000);
    platform::headless::RunUntilIdle();
    EXPECT_EQ(g_seen.size(), 1u);
}

TEST_F(MessageModel, TimersOfADestroyedWindowStop)
{
    SetTimer(hwnd, 5, 100, nullptr);
    DestroyWindow(hwnd);
    platform::headless::Advance(1000);
    EXPECT_TRUE(g_seen.empty());
    EXPECT_EQ(SetTimer(hwnd, 5, 100, nullptr), 0u);  // 0 = failure for a window that is gone
}

TEST_F(MessageModel, ModalMessageBoxKeepsDispatchingPostedMessagesAndTimers)
{
    SetTimer(hwnd, 42, 200, nullptr);
    PostMessage(hwnd, WM_USER + 1, 0, 0);
    platform::headless::AnswerMessageBox([this](const platform::headless::MessageBoxCall& call) {
        EXPECT_EQ(call.text, "Disk full");
        EXPECT_FALSE(IsWindowEnabled(hwnd));  // the owner is disabled while the box is up
        // The user waits half a second before answering; the data keeps coming.
        PostMessage(hwnd, WM_USER + 2, 0, 0);
        platform::headless::Advance(500);
        return IDNO;
    });
    EXPECT_EQ(MessageBoxA(hwnd, "Disk full", "Tapvox", MB_YESNO), IDNO);
    EXPECT_TRUE(IsWindowEnabled(hwnd));
    std::vector<UINT> expected{WM_USER + 1, WM_USER + 2, WM_TIMER, WM_TIMER};
    EXPECT_EQ(Messages(), expected);
}

TEST_F(MessageModel, MessageBoxWithoutAnswerTakesTheDefaultButtonAndWritesItsText)
{
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(MessageBoxA(nullptr, "Save changes?", "Tapvox", MB_YESNOCANCEL | MB_ICONQUESTION), IDYES);
    EXPECT_EQ(MessageBoxA(nullptr, "Really?", "Tapvox", MB_YESNO | MB_DEFBUTTON2), IDNO);
    EXPECT_EQ(MessageBoxA(nullptr, "Retry?", "Tapvox", MB_RETRYCANCEL), IDRETRY);
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Save changes?"), std::string::npos);
    ASSERT_EQ(platform::headless::MessageBoxes().size(), 3u);
    EXPECT_EQ(platform::headless::MessageBoxes()[1].result, IDNO);
}

TEST_F(MessageModel, QuitStaysQueuedForTheLoopThatOwnsIt)
{
    PostMessage(hwnd, WM_USER + 1, 0, 0);
    PostQuitMessage(9);
    PostMessage(hwnd, WM_USER + 2, 0, 0);
    platform::headless::RunUntilIdle();
    EXPECT_EQ(Messages(), (std::vector<UINT>{WM_USER + 1}));
    MSG msg;
    EXPECT_FALSE(GetMessage(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.wParam, 9u);
}

TEST_F(MessageModel, PostsToADestroyedWindowAreDroppedAndItsHandleIsNotReused)
{
    PostMessage(hwnd, WM_USER + 1, 0, 0);
    DestroyWindow(hwnd);
    HWND again = CreateWindowExA(0, "RecordingWindow", "n", WS_OVERLAPPED, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    EXPECT_NE(again, hwnd);
    EXPECT_FALSE(IsWindow(hwnd));
    platform::headless::RunUntilIdle();
    EXPECT_TRUE(g_seen.empty());
}

TEST(MessageWait, GetMessageWakesForATimerOnTheSystemClock)
{
    platform::headless::Reset();
    platform::UseSystemClock();
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "Plain";
    RegisterClassA(&wc);
    HWND h = CreateWindowExA(0, "Plain", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    SetTimer(h, 7, 20, nullptr);
    MSG msg;
    ASSERT_TRUE(GetMessage(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, WM_TIMER);
    EXPECT_EQ(msg.wParam, 7u);
    platform::headless::Reset();
}
