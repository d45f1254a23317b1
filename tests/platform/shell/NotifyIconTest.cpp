// Shell_NotifyIconA over the backend: add, modify and delete keep to the icon's
// state, and the headless notification area reports input as the callback.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/shell/NotifyIcon.h"
#include "platform/user/Headless.h"
#include "platform/user/Window.h"

namespace {
namespace hl = platform::headless;

UINT g_lastCallback = 0;
LPARAM g_lastMouse = 0;
LRESULT OwnerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_USER + 1) {
        g_lastCallback = static_cast<UINT>(wp);
        g_lastMouse = lp;
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

class NotifyIcon : public ::testing::Test {
protected:
    void SetUp() override
    {
        hl::Reset();
        WNDCLASSA wc{};
        wc.lpfnWndProc = OwnerProc;
        wc.lpszClassName = "TrayOwner";
        RegisterClassA(&wc);
        owner = CreateWindowExA(0, "TrayOwner", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        std::memset(&data, 0, sizeof data);
        data.hWnd = owner;
        data.uID = 7;
        data.uFlags = NIF_ICON | NIF_TIP | NIF_MESSAGE;
        data.uCallbackMessage = WM_USER + 1;
        data.hIcon = reinterpret_cast<HICON>(0x10);
        std::strcpy(data.szTip, "Tip");
    }
    void TearDown() override { hl::Reset(); }
    HWND owner = nullptr;
    NOTIFYICONDATAA data;
};

TEST_F(NotifyIcon, EachOperationKeepsToTheIconsState)
{
    EXPECT_FALSE(Shell_NotifyIconA(NIM_ADD, &data)) << "no notification area";
    EXPECT_FALSE(Shell_NotifyIconA(NIM_MODIFY, &data));
    hl::SetTrayHost(true);
    EXPECT_FALSE(Shell_NotifyIconA(NIM_DELETE, &data)) << "nothing shown yet";
    ASSERT_TRUE(Shell_NotifyIconA(NIM_ADD, &data));
    EXPECT_FALSE(Shell_NotifyIconA(NIM_ADD, &data)) << "already shown";
    data.uFlags = NIF_ICON;
    data.hIcon = reinterpret_cast<HICON>(0x20);
    ASSERT_TRUE(Shell_NotifyIconA(NIM_MODIFY, &data));
    auto shown = hl::ShownTrayIcon(owner, 7);
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->icon, reinterpret_cast<HANDLE>(0x20));
    EXPECT_EQ(shown->tip, "Tip") << "a change without NIF_TIP keeps the tip";
    EXPECT_EQ(shown->callbackMessage, WM_USER + 1);

    hl::ClickTrayIcon(owner, 7, WM_RBUTTONUP);
    EXPECT_EQ(g_lastCallback, 7u);
    EXPECT_EQ(g_lastMouse, static_cast<LPARAM>(WM_RBUTTONUP));

    ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &data));
    EXPECT_FALSE(hl::ShownTrayIcon(owner, 7));
    EXPECT_FALSE(Shell_NotifyIconA(NIM_DELETE, &data));
}

TEST_F(NotifyIcon, AnIconGoesWithItsWindow)
{
    hl::SetTrayHost(true);
    ASSERT_TRUE(Shell_NotifyIconA(NIM_ADD, &data));
    DestroyWindow(owner);
    EXPECT_FALSE(Shell_NotifyIconA(NIM_MODIFY, &data));
    data.hWnd = nullptr;
    EXPECT_FALSE(Shell_NotifyIconA(NIM_ADD, &data));
}
}
