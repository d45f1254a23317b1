// The notification area on the desktop: no tray host on a bare X server, and with a small XEmbed tray
// beside it the icon, its tooltip and picture, and the user's clicks on it as the owner's callback message.
#include "tests/platform/display/DesktopFixture.h"

#include "platform/shell/NotifyIcon.h"
#include "platform/user/Menus.h"
#include "platform/user/Resources.h"
#include "tests/support/DesktopSession.h"

namespace desktoptest {
namespace {
constexpr UINT kCallback = WM_USER + 7;
constexpr UINT kId = 26000;
constexpr int kRedIcon = 7101;
constexpr int kBlueIcon = 7102;

// The frame's part: a right click on its icon shows its menu, with the first item as the default.
LRESULT TrayOwnerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    Log().push_back(Received{hwnd, msg, wp, lp, false, false, false});
    if (msg == kCallback && static_cast<UINT>(lp) == WM_RBUTTONUP) {
        HMENU menu = CreatePopupMenu();
        AppendMenuA(menu, MF_STRING, 26001, "&Open window");
        AppendMenuA(menu, MF_STRING, 26004, "E&xit");
        SetMenuDefaultItem(menu, 0, TRUE);
        POINT at{};
        GetCursorPos(&at);
        TrackPopupMenu(menu, 0, at.x, at.y, 0, hwnd, nullptr);
        DestroyMenu(menu);
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

HWND TrayOwner()
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = TrayOwnerProc;
    wc.lpszClassName = "DeskTrayOwner";
    RegisterClassA(&wc);
    return CreateWindowExA(0, "DeskTrayOwner", "Owner", WS_OVERLAPPEDWINDOW, 40, 40, 300, 200, nullptr, nullptr, nullptr, nullptr);
}

HICON Icon(int id, COLORREF colour)
{
    platform::AddIcon(id, platform::ImageResource{16, 16, std::vector<COLORREF>(16 * 16, colour)});
    return LoadIconA(nullptr, MAKEINTRESOURCEA(id));
}

NOTIFYICONDATAA Data(HWND owner, HICON icon, const char* tip)
{
    NOTIFYICONDATAA d{};
    d.cbSize = 488;
    d.hWnd = owner;
    d.uID = kId;
    d.uFlags = NIF_MESSAGE | NIF_ICON | (tip ? NIF_TIP : 0);
    d.uCallbackMessage = kCallback;
    d.hIcon = icon;
    if (tip) {
        std::snprintf(d.szTip, sizeof d.szTip, "%s", tip);
    }
    return d;
}

// The mouse messages the owner heard from its icon, in order.
std::vector<UINT> TrayMouse()
{
    std::vector<UINT> out;
    for (const Received& r : Seen(kCallback)) {
        EXPECT_EQ(r.wParam, kId);
        out.push_back(static_cast<UINT>(r.lParam));
    }
    return out;
}

bool Near(COLORREF a, COLORREF b)
{
    return std::abs(GetRValue(a) - GetRValue(b)) <= 24 && std::abs(GetGValue(a) - GetGValue(b)) <= 24 &&
           std::abs(GetBValue(a) - GetBValue(b)) <= 24;
}

class Tray : public Desktop {
protected:
    void SetUp() override
    {
        Desktop::SetUp();
        if (IsSkipped()) {
            return;
        }
        testsupport::PrivateDisplay* display = testsupport::SessionDisplay();
        if (!display || !display->StartTray() || !dt::RunUntil([] { return dt::TrayHostPresent(); }, 10000)) {
            GTEST_SKIP() << "the tray host (trayer) could not start on the private X server";
        }
    }
    void TearDown() override
    {
        if (owner_) {
            DestroyWindow(owner_);
        }
        if (testsupport::PrivateDisplay* display = testsupport::SessionDisplay()) {
            display->StopTray();
        }
        Desktop::TearDown();
    }

    // Adds the owner's icon and runs until the tray shows it; its centre on the screen.
    POINT ShowIcon(const char* tip = "Tapvox")
    {
        owner_ = TrayOwner();
        NOTIFYICONDATAA d = Data(owner_, Icon(kRedIcon, RGB(255, 0, 0)), tip);
        EXPECT_TRUE(Shell_NotifyIconA(NIM_ADD, &d));
        std::optional<POINT> at;
        EXPECT_TRUE(dt::RunUntil([&] { return (at = dt::TrayIconOnScreen(owner_, kId)).has_value(); }, 10000))
            << "the tray never showed the icon";
        return at.value_or(POINT{-1, -1});
    }

    std::optional<COLORREF> PixelOfIcon() const
    {
        const std::optional<POINT> at = dt::TrayIconOnScreen(owner_, kId);
        return at ? dt::ScreenPixel(*at) : std::nullopt;
    }

    HWND owner_ = nullptr;
};

TEST_F(Desktop, WithoutATrayHostTheIconIsNotAddedAndTheOwnerKnows)
{
    ASSERT_FALSE(dt::TrayHostPresent()) << "a bare X server has no system tray";
    HWND owner = TrayOwner();
    NOTIFYICONDATAA d = Data(owner, Icon(kRedIcon, RGB(255, 0, 0)), "Tapvox");
    EXPECT_FALSE(Shell_NotifyIconA(NIM_ADD, &d));
    EXPECT_FALSE(Shell_NotifyIconA(NIM_MODIFY, &d)) << "nothing was shown to change";
    EXPECT_FALSE(Shell_NotifyIconA(NIM_DELETE, &d));
    EXPECT_FALSE(dt::TrayIconOnScreen(owner, kId).has_value());
    DestroyWindow(owner);
}

TEST_F(Tray, TheIconShowsItsPictureAndTipAndFollowsChanges)
{
    const POINT at = ShowIcon();
    ASSERT_GE(at.x, 0);
    EXPECT_EQ(dt::TrayIconTooltip(owner_, kId), "Tapvox");
    std::optional<COLORREF> pixel;
    // The tray may still be laying its icons out: the icon's place is asked anew each time.
    EXPECT_TRUE(dt::RunUntil([&] { return (pixel = PixelOfIcon()) && Near(*pixel, RGB(255, 0, 0)); }, 15000))
        << "the screen shows " << std::hex << pixel.value_or(CLR_INVALID) << " where the red icon is";

    // A change without a tip keeps the tip shown; a new tip replaces it.
    NOTIFYICONDATAA d = Data(owner_, Icon(kBlueIcon, RGB(0, 0, 255)), nullptr);
    ASSERT_TRUE(Shell_NotifyIconA(NIM_MODIFY, &d));
    EXPECT_TRUE(dt::RunUntil([&] { return (pixel = PixelOfIcon()) && Near(*pixel, RGB(0, 0, 255)); }, 15000))
        << "the screen shows " << std::hex << pixel.value_or(CLR_INVALID) << " where the blue icon is";
    EXPECT_EQ(dt::TrayIconTooltip(owner_, kId), "Tapvox");
    d = Data(owner_, Icon(kBlueIcon, RGB(0, 0, 255)), "Tapvox - recording");
    ASSERT_TRUE(Shell_NotifyIconA(NIM_MODIFY, &d));
    EXPECT_EQ(dt::TrayIconTooltip(owner_, kId), "Tapvox - recording");

    ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &d));
    EXPECT_TRUE(dt::RunUntil([&] { return !dt::TrayIconOnScreen(owner_, kId); }));
}

TEST_F(Tray, AClickReachesTheOwnerAsTheCallbackMessage)
{
    const POINT at = ShowIcon();
    dt::ClickAt(at);
    ASSERT_TRUE(dt::RunUntil([] { return !TrayMouse().empty(); })) << "the click never reached the owner";
    EXPECT_EQ(TrayMouse(), std::vector<UINT>{WM_LBUTTONUP});
}

TEST_F(Tray, ADoubleClickComesAsClickDoubleClickRelease)
{
    const POINT at = ShowIcon();
    dt::DoubleClickAt(at);
    ASSERT_TRUE(dt::RunUntil([] { return TrayMouse().size() >= 3; })) << "the double click never reached the owner";
    EXPECT_EQ(TrayMouse(), (std::vector<UINT>{WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}));
}

TEST_F(Tray, ARightClickBringsTheOwnersMenuAndItsChoiceComesBack)
{
    const POINT at = ShowIcon();
    std::optional<POINT> open;
    Script user({{[&] { return (open = dt::MenuItemOnScreen("Open window")).has_value(); }, [&] { dt::ClickAt(*open); }}});
    dt::ClickAt(at, true);
    ASSERT_TRUE(dt::RunUntil([] {
        for (const Received& r : Seen(WM_COMMAND)) {
            if (LOWORD(static_cast<DWORD_PTR>(r.wParam)) == 26001) {
                return true;
            }
        }
        return false;
    }, 10000)) << "the menu's default item was never chosen";
    EXPECT_EQ(TrayMouse(), std::vector<UINT>{WM_RBUTTONUP});
    EXPECT_TRUE(user.Finished());
}

TEST_F(Tray, AWindowThatGoesTakesItsIconWithIt)
{
    ShowIcon();
    HWND gone = owner_;
    owner_ = nullptr;
    DestroyWindow(gone);
    EXPECT_TRUE(dt::RunUntil([&] { return !dt::TrayIconOnScreen(gone, kId); }));
}

TEST_F(Tray, WhenTheTrayGoesAChangeFailsAndTheIconIsAddedAgainLater)
{
    ShowIcon();
    testsupport::SessionDisplay()->StopTray();
    ASSERT_TRUE(dt::RunUntil([] { return !dt::TrayHostPresent(); }));
    NOTIFYICONDATAA d = Data(owner_, Icon(kBlueIcon, RGB(0, 0, 255)), nullptr);
    EXPECT_FALSE(Shell_NotifyIconA(NIM_MODIFY, &d)) << "the program must learn that its icon is gone";
    ASSERT_TRUE(testsupport::SessionDisplay()->StartTray());
    ASSERT_TRUE(dt::RunUntil([] { return dt::TrayHostPresent(); }, 10000));
    EXPECT_TRUE(Shell_NotifyIconA(NIM_ADD, &d));
    EXPECT_TRUE(dt::RunUntil([&] { return dt::TrayIconOnScreen(owner_, kId).has_value(); }, 10000));
}
}
}
