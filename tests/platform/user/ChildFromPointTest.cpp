// Which child a point of a window finds: the plain lookup takes the first child
// there, group boxes and hidden ones too; the real one looks past both.
#include <gtest/gtest.h>

#include "platform/user/Controls.h"
#include "platform/user/Headless.h"
#include "platform/user/Window.h"

namespace {
namespace hl = platform::headless;

HWND Child(HWND parent, DWORD style, int x, int y, int cx, int cy)
{
    return CreateWindowExA(0, WC_BUTTON, "", WS_CHILD | style, x, y, cx, cy, parent, nullptr, nullptr, nullptr);
}

TEST(ChildFromPoint, TheRealLookupLooksPastGroupBoxesAndHiddenChildren)
{
    hl::Reset();
    HWND parent = CreateWindowExA(0, WC_STATIC, "", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
    HWND group = Child(parent, WS_VISIBLE | BS_GROUPBOX, 0, 0, 150, 100);
    HWND button = Child(parent, WS_VISIBLE | BS_PUSHBUTTON, 10, 10, 50, 20);
    HWND hidden = Child(parent, BS_PUSHBUTTON, 80, 10, 50, 20);
    HWND hiddenAlone = Child(parent, BS_PUSHBUTTON, 160, 10, 30, 20);
    ASSERT_TRUE(group && button && hidden && hiddenAlone);

    EXPECT_EQ(group, ChildWindowFromPoint(parent, POINT{20, 20})) << "the box comes first";
    EXPECT_EQ(button, RealChildWindowFromPoint(parent, POINT{20, 20})) << "the control inside the box";
    EXPECT_EQ(group, RealChildWindowFromPoint(parent, POINT{90, 20})) << "a hidden control is passed over";
    EXPECT_EQ(group, RealChildWindowFromPoint(parent, POINT{20, 80})) << "the box alone";
    EXPECT_EQ(hiddenAlone, ChildWindowFromPoint(parent, POINT{170, 20}));
    EXPECT_EQ(parent, RealChildWindowFromPoint(parent, POINT{170, 20}));
    EXPECT_EQ(parent, RealChildWindowFromPoint(parent, POINT{170, 80})) << "no child there";
    EXPECT_EQ(nullptr, RealChildWindowFromPoint(parent, POINT{-1, -1})) << "outside the window";
    DestroyWindow(parent);
    hl::Reset();
}
}
