// The program's loop on the desktop: waiting on its queue and the toolkit together, woken by other threads, timers in time and in order.
#include "tests/platform/display/DesktopFixture.h"

#include <chrono>
#include <thread>

#include "platform/user/Timers.h"

namespace desktoptest {
namespace {
using Clock = std::chrono::steady_clock;

TEST_F(Desktop, AMessagePostedFromAnotherThreadWakesTheWaitingLoopAtOnce)
{
    HWND frame = Frame();
    ShowAndSettle(frame);
    Clock::time_point posted;
    std::thread poster([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the loop is asleep by then
        posted = Clock::now();
        PostMessage(frame, WM_USER + 5, 42, 0);
    });
    MSG msg{};
    bool got = false;
    while (GetMessage(&msg, nullptr, 0, 0)) {
        if (msg.message == WM_USER + 5) {
            got = true;
            break;
        }
        platform::ProcessMessage(&msg);
    }
    const auto woke = Clock::now();
    poster.join();
    ASSERT_TRUE(got);
    EXPECT_EQ(msg.wParam, 42u);
    // Without the wake the loop would sleep on (it has no timer): the bound is only wide enough for a loaded machine.
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(woke - posted).count(), 1000);
}

TEST_F(Desktop, TimersFallDueWhileTheLoopWaitsAndKeepTheirOrderBehindPostedMessages)
{
    HWND frame = Frame();
    ShowAndSettle(frame);
    const auto start = Clock::now();
    SetTimer(frame, 7, 40, nullptr);
    ASSERT_TRUE(dt::RunUntil([] { return Seen(WM_TIMER).size() >= 3; }, 2000));
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    EXPECT_GE(elapsed, 120);
    EXPECT_LT(elapsed, 600);
    KillTimer(frame, 7);

    // A timer that is due comes after what was posted before the loop looked.
    Log().clear();
    SetTimer(frame, 8, 10, nullptr);
    ASSERT_TRUE(dt::RunUntil([] { return !Seen(WM_TIMER).empty(); }, 2000));
    Log().clear();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));  // the timer is due again
    PostMessage(frame, WM_USER + 1, 0, 0);
    PostMessage(frame, WM_USER + 2, 0, 0);
    ASSERT_TRUE(dt::RunUntil([] { return !Seen(WM_TIMER).empty(); }, 2000));
    KillTimer(frame, 8);
    std::vector<UINT> order;
    for (const Received& r : Log()) {
        if (r.message == WM_TIMER || r.message == WM_USER + 1 || r.message == WM_USER + 2) {
            order.push_back(r.message);
        }
    }
    ASSERT_GE(order.size(), 3u);
    EXPECT_EQ(order[0], WM_USER + 1);
    EXPECT_EQ(order[1], WM_USER + 2);
    EXPECT_EQ(order[2], WM_TIMER);
}
}
}
