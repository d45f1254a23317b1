// RCButton: one message for a short press, one per interval for a long one, and
// a press that the mouse, the capture or the focus leaves ends without a message.
#include "ControlsTestSupport.h"
#include "controls/RCButton.h"

using namespace controlstest;
namespace hl = platform::headless;

namespace {
constexpr UINT kRewind = WM_USER + 200;

class RCButtons : public ControlsTest {
protected:
    void SetUp() override
    {
        ControlsTest::SetUp();
        panel = new Panel;
        back = new RCButton(panel, 152, 200, kRewind);
        forward = new RCButton(panel, 153, 200);
        ASSERT_TRUE(panel->Create());
        Settle();
        b = GetDlgItem(panel->GetHandle(), 152);
    }
    void TearDown() override
    {
        delete panel;
        ControlsTest::TearDown();
    }
    int Posted() const { return panel->Count(kRewind, 152); }

    Panel* panel = nullptr;
    RCButton* back = nullptr;
    RCButton* forward = nullptr;
    HWND b = nullptr;
};
}

TEST_F(RCButtons, ShortPressPostsOnceAtRelease)
{
    hl::PressAt(b, Middle(b));
    EXPECT_EQ(back->GetState(), 3);
    hl::Advance(199);
    EXPECT_EQ(Posted(), 0);
    hl::ReleaseAt(b, Middle(b));
    EXPECT_EQ(Posted(), 1);
    EXPECT_EQ(back->GetState(), 0);
    hl::Advance(1000);
    EXPECT_EQ(Posted(), 1) << "the timer is gone with the press";
    EXPECT_EQ(panel->Count(WM_USER + 152, 152), 0);

    // The default message is WM_USER + the id; the button never sends its own click.
    HWND f = GetDlgItem(panel->GetHandle(), 153);
    hl::ClickAt(f, Middle(f));
    EXPECT_EQ(panel->Count(WM_USER + 153, 153), 1);
}

TEST_F(RCButtons, LongPressPostsPerIntervalAndNothingAtRelease)
{
    hl::PressAt(b, Middle(b));
    hl::Advance(650);
    EXPECT_EQ(Posted(), 3);
    hl::ReleaseAt(b, Middle(b));
    EXPECT_EQ(Posted(), 3);
    hl::Advance(1000);
    EXPECT_EQ(Posted(), 3);
}

TEST_F(RCButtons, LeavingTheButtonEndsTheRepeat)
{
    hl::MoveMouse(b, Middle(b));
    hl::PressAt(b, Middle(b));
    hl::Advance(450);
    EXPECT_EQ(Posted(), 2);
    HWND other = GetDlgItem(panel->GetHandle(), 150);
    hl::MoveMouse(other, Middle(other));
    EXPECT_EQ(back->GetState(), 0);
    hl::Advance(2000);
    EXPECT_EQ(Posted(), 2) << "no message after the mouse left";
    hl::ReleaseAt(other, Middle(other));
    hl::MoveMouse(b, Middle(b));
    hl::ReleaseAt(b, Middle(b));
    EXPECT_EQ(Posted(), 2) << "a release after the press ended is no click";

    // A short press that leaves posts nothing either.
    hl::PressAt(b, Middle(b));
    hl::MoveMouse(nullptr, POINT{-50, -50});
    hl::Advance(1000);
    hl::ReleaseAt(b, Middle(b));
    EXPECT_EQ(Posted(), 2);
}

TEST_F(RCButtons, LosingFocusOrCaptureEndsTheRepeat)
{
    SetFocus(b);
    hl::PressAt(b, Middle(b));
    hl::Advance(250);
    EXPECT_EQ(Posted(), 1);
    SetFocus(GetDlgItem(panel->GetHandle(), kEdit));
    hl::Advance(2000);
    EXPECT_EQ(Posted(), 1);
    EXPECT_EQ(back->GetState(), 0);

    hl::PressAt(b, Middle(b));
    SetCapture(b);
    SetCapture(panel->GetHandle());
    hl::Advance(2000);
    EXPECT_EQ(Posted(), 1);
    ReleaseCapture();

    // The repeat still works after a press was cut short.
    hl::PressAt(b, Middle(b));
    hl::Advance(400);
    hl::ReleaseAt(b, Middle(b));
    EXPECT_EQ(Posted(), 3);
}
