// The message queue: posts in order, quit, peek filters, and other threads' messages waking the waiter.
#include <gtest/gtest.h>

#include <thread>

#include "platform/user/Messages.h"

namespace {
struct Queue : ::testing::Test {
    void SetUp() override { platform::ClearMessageQueue(); }
    void TearDown() override { platform::ClearMessageQueue(); }
};
}

TEST_F(Queue, PostedMessagesArriveInOrderAndQuitEndsGetMessage)
{
    for (UINT i = 0; i < 5; ++i) {
        PostMessage(nullptr, WM_USER + i, i, 0);
    }
    PostQuitMessage(7);
    MSG msg{};
    for (UINT i = 0; i < 5; ++i) {
        ASSERT_TRUE(GetMessage(&msg, nullptr, 0, 0));
        EXPECT_EQ(msg.message, WM_USER + i);
    }
    EXPECT_FALSE(GetMessage(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.wParam, 7u);
}

TEST_F(Queue, PeekFiltersAndLeavesOthersQueued)
{
    PostMessage(nullptr, WM_USER + 1, 0, 0);
    PostMessage(nullptr, WM_USER + 9, 0, 0);
    MSG msg{};
    ASSERT_TRUE(PeekMessage(&msg, nullptr, WM_USER + 9, WM_USER + 9, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_USER + 9);
    ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, WM_USER + 1);
    ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_FALSE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(Queue, MessagesFromAnotherThreadKeepTheirOrderAndWakeTheWaiter)
{
    std::thread device([] {
        for (UINT i = 0; i < 1000; ++i) {
            PostMessage(nullptr, WM_USER, i, 0);
        }
        PostQuitMessage(0);
    });
    MSG msg{};
    WPARAM expected = 0;
    while (GetMessage(&msg, nullptr, 0, 0)) {
        EXPECT_EQ(msg.wParam, expected++);
    }
    device.join();
    EXPECT_EQ(expected, 1000u);
}

TEST_F(Queue, TheGuiThreadsOwnPostsComeAfterWhatOtherThreadsPostedBefore)
{
    MSG msg{};
    EXPECT_FALSE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));  // this thread now takes the messages
    for (WPARAM round = 0; round < 3; ++round) {
        std::thread([round] { PostMessage(nullptr, WM_USER, round * 10 + 1, 0); }).join();
        PostMessage(nullptr, WM_USER, round * 10 + 2, 0);
        std::thread([round] { PostMessage(nullptr, WM_USER, round * 10 + 3, 0); }).join();
    }
    PostMessage(nullptr, WM_USER + 1, 99, 0);
    // A filtered look takes from the middle; the rest keep their order.
    ASSERT_TRUE(PeekMessage(&msg, nullptr, WM_USER + 1, WM_USER + 1, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 99u);
    for (WPARAM round = 0; round < 3; ++round) {
        for (WPARAM k = 1; k <= 3; ++k) {
            ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
            EXPECT_EQ(msg.wParam, round * 10 + k);
        }
    }
    EXPECT_FALSE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
}
