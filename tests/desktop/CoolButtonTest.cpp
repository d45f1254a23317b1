// The transport button on the desktop: its face is the GTK theme's button in the state it is in (under
// the real mouse too), and a
// change of the desktop's theme reaches it as WM_THEMECHANGED, after which it redraws in the new theme.
#include <gtest/gtest.h>

#include "controls/CoolButton.h"
#include "owl/Dialog.h"
#include "platform/display/Display.h"
#include "tests/support/platform/display/DisplayTesting.h"
#include "platform/user/Headless.h"
#include "platform/user/Resources.h"
#include "platform/user/WindowDC.h"
#include "resources/Form.h"
#include "resources/Resources.h"

namespace {
namespace dt = platform::display::testing;
constexpr int kPanel = 9400;
constexpr int kButton = 154;

// Counts the theme changes it hears of.
class CountingButton : public CoolButton {
public:
    using CoolButton::CoolButton;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        if (msg == WM_THEMECHANGED) {
            ++themeChanges;
        }

        return CoolButton::WindowProc(msg, wParam, lParam);
    }
    int themeChanges = 0;
};

class DesktopCoolButton : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!platform::display::Started()) {
            GTEST_SKIP() << "no private X server (Xvfb) could be started";
        }
        platform::headless::Reset();
        resources::RegisterAll();
        using namespace resources::form;
        auto t = Dialog("Panel", 120, 60, WS_POPUP | WS_CAPTION | WS_VISIBLE);
        t.items = {Button("", kButton, 10, 10, 60, 24)};
        platform::AddDialog(MAKEINTRESOURCEA(kPanel), t);
        panel = new OWL::TDialog(nullptr, kPanel);
        button = new CountingButton(panel, kButton, 150, 154);
        ASSERT_TRUE(panel->Create());
        ShowWindow(panel->GetHandle(), SW_SHOW);
        // Owner-drawn once its posted style change has run, and shown by then as a drawn window.
        ASSERT_TRUE(dt::RunUntil([this] {
            const std::optional<RECT> r = dt::ScreenRect(Handle());
            return (GetWindowLongA(Handle(), GWL_STYLE) & BS_TYPEMASK) == BS_OWNERDRAW && dt::Shown(Handle()) && r &&
                   r->right - r->left > 1;
        })) << "the button did not come on the screen";
    }
    void TearDown() override
    {
        delete panel;
        if (!desktopTheme.empty()) {
            dt::SwitchTheme(desktopTheme);
        }
        platform::headless::Reset();
    }
    HWND Handle() const { return button->GetHandle(); }
    // Whether the button's surface shows the toolkit's own button face in that state (away from the focus rectangle).
    bool ShowsFace(int state)
    {
        RECT r{};
        GetClientRect(Handle(), &r);
        const std::vector<COLORREF> face = dt::ToolkitButtonFace(state, r.right, r.bottom);
        for (POINT p : {POINT{1, 1}, POINT{r.right / 2, 1}, POINT{r.right - 2, r.bottom - 2}, POINT{2, r.bottom / 2}}) {
            if (platform::WindowPixel(Handle(), p.x, p.y) != face[static_cast<std::size_t>(p.y * r.right + p.x)]) {
                return false;
            }
        }
        return true;
    }

    OWL::TDialog* panel = nullptr;
    CountingButton* button = nullptr;
    std::string desktopTheme;
};

TEST_F(DesktopCoolButton, ItsFacesAreTheThemesAndFollowAChangeOfTheme)
{
    ASSERT_TRUE(dt::RunUntil([&] { return ShowsFace(PBS_NORMAL); })) << "the button is not drawn in the desktop's theme";
    button->SetState(3, false);
    InvalidateRect(Handle(), nullptr, TRUE);
    EXPECT_TRUE(dt::RunUntil([&] { return ShowsFace(PBS_PRESSED); }));
    button->SetState(2, false);
    InvalidateRect(Handle(), nullptr, TRUE);
    EXPECT_TRUE(dt::RunUntil([&] { return ShowsFace(PBS_DISABLED); }));
    button->SetState(0, false);
    InvalidateRect(Handle(), nullptr, TRUE);
    ASSERT_TRUE(dt::RunUntil([&] { return ShowsFace(PBS_NORMAL); }));

    // The real mouse over it lights it up; leaving puts it out.
    const RECT r = dt::ScreenRect(Handle()).value_or(RECT{});
    dt::MoveMouseTo(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    EXPECT_TRUE(dt::RunUntil([&] { return ShowsFace(PBS_HOT); })) << "the mouse over the button did not light it up";
    dt::MoveMouseTo(POINT{r.right + 200, r.bottom + 200});
    EXPECT_TRUE(dt::RunUntil([&] { return ShowsFace(PBS_NORMAL); })) << "the mouse leaving did not put it out";

    desktopTheme = dt::SwitchTheme("Adwaita", true);
    EXPECT_TRUE(dt::RunUntil([&] { return button->themeChanges == 1; })) << "the button was not told of the new theme";
    EXPECT_TRUE(dt::RunUntil([&] { return ShowsFace(PBS_NORMAL); })) << "the button did not redraw in the new theme";
    EXPECT_EQ(button->themeChanges, 1);
}
}
