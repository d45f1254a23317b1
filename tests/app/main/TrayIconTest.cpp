// The tray icon on the headless backend: shown only where a notification area
// exists, changed in place, removed, and its clicks, double clicks and menu.
#include <gtest/gtest.h>

#include <vector>

#include "app/main/FrameMessages.h"
#include "app/main/TrayIcon.h"
#include "owl/FrameWindow.h"
#include "platform/user/Headless.h"
#include "platform/user/Resources.h"
#include "resources/Resources.h"

namespace {
namespace hl = platform::headless;

// A frame that notes what its tray icon sends it.
class Owner : public OWL::TFrameWindow {
public:
    Owner() : OWL::TFrameWindow(nullptr, "Tapvox", nullptr, false, &module) {}
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override
    {
        if (msg == UM_TRAY_CLICK || msg == WM_COMMAND) {
            got.push_back({msg, LOWORD(wp)});
        }
        return OWL::TFrameWindow::WindowProc(msg, wp, lp);
    }
    struct Got {
        UINT message;
        UINT command;
    };
    std::vector<Got> got;
    OWL::TModule module{"Tapvox"};
};

class TrayIconTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        hl::Reset();
        platform::ClearResources();
        resources::RegisterAll();
        owner = std::make_unique<Owner>();
        ASSERT_TRUE(owner->Create());
        tray = std::make_unique<TTrayIcon>(owner.get(), kTrayIconId);
        tray->SetOwner(owner.get(), UM_TRAY_NOTIFY);
    }
    void TearDown() override
    {
        tray.reset();
        owner.reset();
        hl::Reset();
        platform::ClearResources();
    }
    std::optional<platform::TrayIconRequest> Shown() { return hl::ShownTrayIcon(owner->GetHandle(), kTrayIconId); }

    std::unique_ptr<Owner> owner;
    std::unique_ptr<TTrayIcon> tray;
};

TEST_F(TrayIconTest, NothingIsShownWithoutANotificationArea)
{
    EXPECT_FALSE(tray->SetIcon(kIconStart));
    EXPECT_FALSE(tray->IsShown());
    // A host that appears later gets the icon at the next change.
    hl::SetTrayHost(true);
    EXPECT_TRUE(tray->SetIcon(kIconInputClosed));
    EXPECT_TRUE(tray->IsShown());
}

TEST_F(TrayIconTest, ShownChangedAndRemoved)
{
    hl::SetTrayHost(true);
    ASSERT_TRUE(tray->SetIcon(kIconStart));
    ASSERT_TRUE(Shown());
    EXPECT_EQ(Shown()->tip, "Tapvox");
    EXPECT_EQ(Shown()->callbackMessage, UM_TRAY_NOTIFY);
    EXPECT_EQ(Shown()->icon, owner->module.LoadIcon(kIconStart));

    // The state icons have no string of their own: the tip stays.
    ASSERT_TRUE(tray->SetIcon(kIconInputOpen));
    EXPECT_EQ(Shown()->icon, owner->module.LoadIcon(kIconInputOpen));
    EXPECT_EQ(Shown()->tip, "Tapvox");

    // An icon that cannot be loaded takes the shown one away.
    tray->SetIcon(4242);
    EXPECT_FALSE(Shown());
    EXPECT_FALSE(tray->IsShown());

    ASSERT_TRUE(tray->SetIcon(kIconInputClosed));
    tray.reset();
    EXPECT_FALSE(Shown()) << "the destructor removes the icon";
}

TEST_F(TrayIconTest, AHostThatGoesAwayIsMetByAddingAgain)
{
    hl::SetTrayHost(true);
    ASSERT_TRUE(tray->SetIcon(kIconStart));
    hl::SetTrayHost(false);
    EXPECT_FALSE(tray->SetIcon(kIconInputOpen));
    EXPECT_FALSE(tray->IsShown());
    hl::SetTrayHost(true);
    EXPECT_TRUE(tray->SetIcon(kIconInputOpen));
    EXPECT_TRUE(Shown());
}

TEST_F(TrayIconTest, ClicksDoubleClicksAndTheMenu)
{
    hl::SetTrayHost(true);
    ASSERT_TRUE(tray->SetIcon(kIconStart));
    // The frame passes its callback's parameters on.
    const HWND h = owner->GetHandle();
    auto deliver = [&](UINT mouse) { tray->EvTrayMouse(kTrayIconId, mouse); };

    deliver(WM_LBUTTONUP);
    ASSERT_EQ(owner->got.size(), 1u);
    EXPECT_EQ(owner->got[0].message, UM_TRAY_CLICK);

    // A double click: one click for its first release, the open command, and nothing for the last release.
    owner->got.clear();
    deliver(WM_LBUTTONUP);
    deliver(WM_LBUTTONDBLCLK);
    deliver(WM_LBUTTONUP);
    ASSERT_EQ(owner->got.size(), 2u);
    EXPECT_EQ(owner->got[0].message, UM_TRAY_CLICK);
    EXPECT_EQ(owner->got[1].message, static_cast<UINT>(WM_COMMAND));
    EXPECT_EQ(owner->got[1].command, kTrayOpenWindow);

    owner->got.clear();
    hl::AnswerPopupMenu(kTrayExit);
    deliver(WM_RBUTTONUP);
    ASSERT_EQ(owner->got.size(), 1u);
    EXPECT_EQ(owner->got[0].command, kTrayExit);
    EXPECT_EQ(GetActiveWindow(), h) << "the owner comes to the front so the menu can close";

    // Other ids and messages are not the icon's.
    owner->got.clear();
    EXPECT_EQ(tray->EvTrayMouse(kTrayIconId + 1, WM_LBUTTONUP), 0);
    EXPECT_EQ(tray->EvTrayMouse(kTrayIconId, WM_MOUSEMOVE), 0);
    EXPECT_TRUE(owner->got.empty());
}
}
