// Window device contexts: a window's surface follows its client size, paints reach it, and it goes with the window.
#include <gtest/gtest.h>

#include "platform/user/Headless.h"
#include "platform/user/WindowDC.h"

namespace {
LRESULT PaintingProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        SetPixel(dc, 1, 1, RGB(0, 0, 255));
        SetBkMode(dc, TRANSPARENT);
        TextOutA(dc, 0, 0, "level", 5);
        EndPaint(hwnd, &ps);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

class WindowDC : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::headless::Reset();
        WNDCLASSA wc{};
        wc.lpfnWndProc = PaintingProc;
        wc.lpszClassName = "WindowDCTest";
        RegisterClassA(&wc);
        hwnd = CreateWindowExA(0, "WindowDCTest", "", WS_VISIBLE, 0, 0, 10, 6, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(hwnd, nullptr);
    }
    void TearDown() override { platform::headless::Reset(); }
    HWND hwnd = nullptr;
};

TEST_F(WindowDC, APaintReachesTheWindowsSurfaceAndAnEraseClearsItToTheFaceColour)
{
    InvalidateRect(hwnd, nullptr, FALSE);
    platform::headless::RunUntilIdle();
    EXPECT_EQ(platform::WindowPixel(hwnd, 1, 1), RGB(0, 0, 255));
    EXPECT_EQ(platform::WindowPixel(hwnd, 10, 0), CLR_INVALID);
    EXPECT_EQ(platform::WindowDrawnText(hwnd), "level");

    HDC dc = GetDC(hwnd);
    PAINTSTRUCT ps{};
    // An erase request paints the face colour first; the drawn texts start again.
    InvalidateRect(hwnd, nullptr, TRUE);
    ReleaseDC(hwnd, dc);
    BeginPaint(hwnd, &ps);
    EXPECT_TRUE(ps.fErase);
    EXPECT_EQ(ps.rcPaint.right, 10);
    EXPECT_EQ(platform::WindowPixel(hwnd, 1, 1), GetSysColor(COLOR_3DFACE));
    EXPECT_EQ(platform::WindowDrawnText(hwnd), "");
    EndPaint(hwnd, &ps);
}

TEST_F(WindowDC, ANewSizeGivesAFreshSurfaceAndADestroyedWindowHasNone)
{
    HDC dc = GetDC(hwnd);
    SetPixel(dc, 9, 5, RGB(9, 9, 9));
    ReleaseDC(hwnd, dc);
    EXPECT_EQ(platform::WindowPixel(hwnd, 9, 5), RGB(9, 9, 9));
    MoveWindow(hwnd, 0, 0, 20, 8, FALSE);
    dc = GetDC(hwnd);
    ReleaseDC(hwnd, dc);
    EXPECT_EQ(platform::WindowPixel(hwnd, 9, 5), RGB(255, 255, 255));
    EXPECT_EQ(platform::WindowPixel(hwnd, 19, 7), RGB(255, 255, 255));

    DestroyWindow(hwnd);
    EXPECT_EQ(GetDC(hwnd), nullptr);
    EXPECT_EQ(platform::WindowPixel(hwnd, 0, 0), CLR_INVALID);
    EXPECT_EQ(BeginPaint(hwnd, nullptr), nullptr);
}
}
