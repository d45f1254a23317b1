// The theme functions without a desktop: no theme to open, so the program keeps its classic faces,
// and a change of the desktop's theme reaches every window, children too, as a posted message.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/theme/Theme.h"
#include "platform/user/Headless.h"
#include "platform/user/Window.h"

namespace {
namespace hl = platform::headless;

std::vector<HWND> g_told;
LRESULT ListeningProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_THEMECHANGED) {
        g_told.push_back(hwnd);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

class Theme : public ::testing::Test {
protected:
    void SetUp() override
    {
        hl::Reset();
        g_told.clear();
        WNDCLASSA wc{};
        wc.lpfnWndProc = ListeningProc;
        wc.lpszClassName = "ThemeListener";
        RegisterClassA(&wc);
        top = CreateWindowExA(0, "ThemeListener", "", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
        child = CreateWindowExA(0, "ThemeListener", "", WS_CHILD, 0, 0, 10, 10, top, nullptr, nullptr, nullptr);
        grandchild = CreateWindowExA(0, "ThemeListener", "", WS_CHILD, 0, 0, 5, 5, child, nullptr, nullptr, nullptr);
    }
    void TearDown() override
    {
        DestroyWindow(top);
        hl::Reset();
    }
    HWND top = nullptr;
    HWND child = nullptr;
    HWND grandchild = nullptr;
};

TEST_F(Theme, HeadlessThereIsNoThemeToOpen)
{
    EXPECT_EQ(OpenThemeData(top, L"Button"), nullptr);
    EXPECT_EQ(CloseThemeData(nullptr), E_INVALIDARG);
    const RECT r{0, 0, 10, 10};
    EXPECT_EQ(DrawThemeBackground(nullptr, nullptr, BP_PUSHBUTTON, PBS_NORMAL, &r, nullptr), E_INVALIDARG);
}

TEST_F(Theme, AChangeOfTheDesktopsThemeIsPostedToEveryWindow)
{
    platform::PostThemeChanged();
    EXPECT_TRUE(g_told.empty()) << "told while the backend was still handling its event";
    hl::RunUntilIdle();
    EXPECT_EQ(g_told.size(), 3u);
    for (HWND h : {top, child, grandchild}) {
        EXPECT_EQ(std::count(g_told.begin(), g_told.end(), h), 1) << "a window heard of it other than once";
    }
}
}
