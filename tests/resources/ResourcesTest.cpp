// The program's resources: numbered strings, every dialog's controls, menus, accelerators, faces and icons.
#include <gtest/gtest.h>

#include <cstring>

#include "owl/Window.h"
#include "platform/user/Headless.h"
#include "platform/user/Keyboard.h"
#include "resources/Resources.h"

namespace {
class Resources : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::headless::Reset();
        platform::ClearResources();
        resources::RegisterAll();
        OWL::RegisterFrameworkClasses();
    }
    void TearDown() override
    {
        platform::headless::Reset();
        platform::ClearResources();
    }
};

std::string String(UINT id)
{
    char buf[260];
    const int n = LoadStringA(nullptr, id, buf, sizeof buf);
    return std::string(buf, static_cast<std::size_t>(n));
}
}

TEST_F(Resources, StringTableHoldsTheNumberedTextsAndMissingOnesAreEmpty)
{
    EXPECT_EQ(String(3400), "Sample rate out of bounds \n(setwave apply)");
    EXPECT_EQ(String(3504), "Options");
    EXPECT_EQ(String(905), "Record  (Alt+R)");
    EXPECT_EQ(String(3810), "today");
    char buf[8] = "xxxxxxx";
    EXPECT_EQ(LoadStringA(nullptr, 9999, buf, sizeof buf), 0);
    EXPECT_STREQ(buf, "");
    // A short buffer gets a cut, terminated text.
    EXPECT_EQ(LoadStringA(nullptr, 3504, buf, 4), 3);
    EXPECT_STREQ(buf, "Opt");
}

TEST_F(Resources, EveryDialogTemplateMakesItsControls)
{
    HWND frame = CreateWindowExA(0, "OWL_Window", "frame", WS_OVERLAPPED, 0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr);
    const int ids[] = {22000, 1700, 1800, 206, 30600, 4200, 270, 271, 3700, 3860, 272, 273, 210, 28071, 1600, 500, 900};
    for (int id : ids) {
        HWND h = CreateDialogParamA(nullptr, MAKEINTRESOURCEA(id), frame, nullptr, 0);
        ASSERT_NE(h, nullptr) << "template " << id;
        const platform::DialogTemplate* t = platform::FindDialog(MAKEINTRESOURCEA(id));
        for (const auto& item : t->items) {
            if (item.id != -1) {
                EXPECT_NE(GetDlgItem(h, item.id), nullptr) << "template " << id << " control " << item.id;
            }
        }
        DestroyWindow(h);
    }
    HWND main = CreateDialogParamA(nullptr, resources::kMainDialog, frame, nullptr, 0);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(GetParent(main), frame);
    for (int id : {150, 151, 152, 153, 154, 113, 114, 116, 155, 156, 157, 159, 169, 179, 218, 168, 109}) {
        EXPECT_NE(GetDlgItem(main, id), nullptr) << id;
    }
    HWND page = CreateDialogParamA(nullptr, MAKEINTRESOURCEA(270), frame, nullptr, 0);
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(page, 305)));
    EXPECT_EQ(platform::headless::Text(GetDlgItem(page, 300)), "Minimize on program start");
}

TEST_F(Resources, MenusAndAcceleratorsLoadByNumber)
{
    HMENU menu = LoadMenuA(nullptr, MAKEINTRESOURCEA(100));
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(GetMenuItemCount(menu), 4);
    char text[260];
    GetMenuStringA(menu, 24353, text, sizeof text, MF_BYCOMMAND);
    EXPECT_STREQ(text, "Log file...");
    EXPECT_EQ(GetMenuItemID(GetSubMenu(GetSubMenu(menu, 0), 0), 2), 24352u);
    DestroyMenu(menu);
    HMENU tray = LoadMenuA(nullptr, MAKEINTRESOURCEA(26000));
    EXPECT_EQ(GetMenuItemID(GetSubMenu(tray, 0), 0), 26001u);
    DestroyMenu(tray);

    HACCEL accel = LoadAcceleratorsA(nullptr, MAKEINTRESOURCEA(100));
    ASSERT_NE(accel, nullptr);
    std::vector<WPARAM> commands;
    static std::vector<WPARAM>* seen;
    seen = &commands;
    WNDCLASSA wc{};
    wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        if (m == WM_COMMAND) {
            seen->push_back(LOWORD(w));
        }
        return DefWindowProcA(h, m, w, l);
    };
    wc.lpszClassName = "AccelTarget";
    RegisterClassA(&wc);
    HWND target = CreateWindowExA(0, "AccelTarget", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    auto press = [&](UINT vk, std::vector<int> mods, UINT message = WM_KEYDOWN) {
        for (int m : mods) {
            platform::SetKeyDown(m, true);
        }
        MSG msg{target, message, vk, 0, 0, {0, 0}};
        const int translated = TranslateAcceleratorA(target, accel, &msg);
        for (int m : mods) {
            platform::SetKeyDown(m, false);
        }
        return translated;
    };
    EXPECT_TRUE(press('R', {}, WM_SYSKEYDOWN));              // Alt+R
    EXPECT_TRUE(press('R', {VK_SHIFT}, WM_SYSKEYDOWN));      // Alt+Shift+R
    EXPECT_TRUE(press(VK_RIGHT, {VK_CONTROL, VK_SHIFT}));
    EXPECT_TRUE(press(VK_SPACE, {}));
    EXPECT_FALSE(press('R', {}));                            // plain R is no accelerator
    EXPECT_EQ(commands, (std::vector<WPARAM>{150, 23010, 153, 25000}));
    // Disabled behind a modal dialog, the window leaves the keys to the dialog.
    EnableWindow(target, FALSE);
    EXPECT_FALSE(press(VK_SPACE, {}));
    EXPECT_FALSE(press('R', {}, WM_SYSKEYDOWN));
    EXPECT_EQ(commands.size(), 4u);
}

TEST_F(Resources, ButtonFacesAndIconsExist)
{
    for (int id : {700, 701, 702, 703, 704, 705, 706, 707, 708, 709, 712, 713, 714, 718, 719, 32000, 32001}) {
        HBITMAP b = LoadBitmapA(nullptr, MAKEINTRESOURCEA(id));
        ASSERT_NE(b, nullptr) << id;
        BITMAP bm{};
        EXPECT_EQ(GetObjectA(b, sizeof bm, &bm), static_cast<int>(sizeof bm));
        EXPECT_GT(bm.bmWidth, 0);
        DeleteObject(b);
    }
    for (int id : {1002, 1004, 1005, 1006}) {
        EXPECT_NE(LoadIconA(nullptr, MAKEINTRESOURCEA(id)), nullptr) << id;
    }
    EXPECT_EQ(LoadIconA(nullptr, MAKEINTRESOURCEA(1003)), nullptr);
}
