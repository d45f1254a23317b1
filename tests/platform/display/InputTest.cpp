// Real mouse and keyboard input through the X server arriving as the messages the program expects.
#include "tests/platform/display/DesktopFixture.h"

#include "platform/user/Dialogs.h"
#include "platform/user/Mouse.h"
#include "platform/user/Resources.h"

namespace desktoptest {
namespace {
bool Commanded(int id, UINT code)
{
    for (const Received& r : Seen(WM_COMMAND)) {
        if (LOWORD(static_cast<DWORD_PTR>(r.wParam)) == id && HIWORD(static_cast<DWORD_PTR>(r.wParam)) == code) {
            return true;
        }
    }
    return false;
}

TEST_F(Desktop, ClickingButtonsReachesTheLayersControlsWhichDecide)
{
    HWND frame = Frame();
    HWND push = Child(frame, WC_BUTTON, "&Record", BS_PUSHBUTTON, 150, {10, 10, 90, 34});
    HWND autoCheck = Child(frame, WC_BUTTON, "Auto", BS_AUTOCHECKBOX, 151, {10, 40, 130, 60});
    HWND plainCheck = Child(frame, WC_BUTTON, "Plain", BS_CHECKBOX, 152, {10, 64, 130, 84});
    HWND radio = Child(frame, WC_BUTTON, "One", BS_AUTORADIOBUTTON | WS_GROUP, 153, {10, 90, 130, 110});
    ShowAndSettle(frame);

    dt::Click(push);
    EXPECT_TRUE(dt::RunUntil([] { return Commanded(150, BN_CLICKED); }));
    EXPECT_EQ(GetFocus(), push);

    dt::Click(autoCheck);
    EXPECT_TRUE(dt::RunUntil([&] { return SendMessage(autoCheck, BM_GETCHECK, 0, 0) == BST_CHECKED; }));
    EXPECT_EQ(dt::NativeValue(autoCheck), "1");

    // The program decides for a plain check box: it did not check it, so it shows unchecked.
    dt::Click(plainCheck);
    EXPECT_TRUE(dt::RunUntil([] { return Commanded(152, BN_CLICKED); }));
    EXPECT_EQ(SendMessage(plainCheck, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(dt::NativeValue(plainCheck), "0");

    dt::Click(radio);
    EXPECT_TRUE(dt::RunUntil([&] { return SendMessage(radio, BM_GETCHECK, 0, 0) == BST_CHECKED; }));
    SendMessage(radio, BM_SETCHECK, BST_UNCHECKED, 0);
    EXPECT_EQ(dt::NativeValue(radio), "0");
}

TEST_F(Desktop, MouseOnTheProgramsOwnWindowsComesInClientCoordinatesWithDoubleClicks)
{
    HWND frame = Frame();
    HWND canvas = Child(frame, "DeskFrame", "", 0, 7, {20, 30, 120, 90});
    ShowAndSettle(frame);
    const RECT r = *dt::ScreenRect(canvas);
    dt::ClickAt(POINT{r.left + 15, r.top + 25});
    ASSERT_TRUE(dt::RunUntil([] { return !Seen(WM_LBUTTONUP).empty(); }));
    const Received down = Seen(WM_LBUTTONDOWN).front();
    EXPECT_EQ(down.hwnd, canvas);
    EXPECT_EQ(GET_X_LPARAM(down.lParam), 15);
    EXPECT_EQ(GET_Y_LPARAM(down.lParam), 25);
    Log().clear();
    dt::DoubleClick(canvas);
    EXPECT_TRUE(dt::RunUntil([] { return !Seen(WM_LBUTTONDBLCLK).empty() && Seen(WM_LBUTTONUP).size() == 2; }));
    EXPECT_EQ(Seen(WM_LBUTTONDOWN).size(), 1u) << "the second press is the double click";

    dt::ClickAt(POINT{r.left + 5, r.top + 5}, true);
    EXPECT_TRUE(dt::RunUntil([] { return !Seen(WM_RBUTTONUP).empty(); }));
}

TEST_F(Desktop, AWindowTrackingTheMouseHearsOfItLeavingOnlyWhenItLeaves)
{
    HWND frame = Frame();
    HWND canvas = Child(frame, "DeskFrame", "", 0, 7, {20, 30, 120, 90});
    ShowAndSettle(frame);
    const RECT r = *dt::ScreenRect(canvas);
    dt::MoveMouseTo(POINT{r.left + 10, r.top + 10});
    ASSERT_TRUE(dt::RunUntil([] { return !Seen(WM_MOUSEMOVE).empty(); }));
    POINT cursor{};
    GetCursorPos(&cursor);
    EXPECT_EQ(cursor.x, r.left + 10) << "the cursor the program reads is where the mouse is";
    EXPECT_EQ(cursor.y, r.top + 10);
    TRACKMOUSEEVENT track{sizeof(TRACKMOUSEEVENT), TME_LEAVE, canvas, 0};
    ASSERT_TRUE(TrackMouseEvent(&track));
    dt::MoveMouseTo(POINT{r.left + 30, r.top + 20});
    ASSERT_TRUE(dt::RunUntil([] { return Seen(WM_MOUSEMOVE).size() >= 2; }));
    EXPECT_TRUE(Seen(WM_MOUSELEAVE).empty()) << "the mouse is still over the window";
    dt::MoveMouseTo(POINT{r.right + 300, r.bottom + 300});
    EXPECT_TRUE(dt::RunUntil([] { return Seen(WM_MOUSELEAVE).size() == 1; }));
    EXPECT_EQ(Seen(WM_MOUSELEAVE).front().hwnd, canvas);
}

TEST_F(Desktop, ADoubleClickInAListBoxChoosesTheItemAndTellsTheParent)
{
    HWND frame = Frame();
    HWND list = Child(frame, WC_LISTBOX, "", WS_VSCROLL | LBS_NOTIFY, 40, {10, 10, 200, 120});
    HWND quiet = Child(frame, WC_LISTBOX, "", WS_VSCROLL, 41, {210, 10, 340, 120});
    for (HWND l : {list, quiet}) {
        SendMessage(l, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Speech"));
        SendMessage(l, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Music"));
    }
    ShowAndSettle(frame);
    // On the first item, near the top of the list.
    const auto firstItem = [](HWND l) {
        const RECT r = *dt::ScreenRect(l);
        return POINT{(r.left + r.right) / 2, r.top + 8};
    };
    dt::DoubleClickAt(firstItem(list));
    EXPECT_TRUE(dt::RunUntil([] { return Commanded(40, LBN_DBLCLK); }));
    EXPECT_TRUE(Commanded(40, LBN_SELCHANGE));
    EXPECT_EQ(SendMessage(list, LB_GETCURSEL, 0, 0), 0);
    // Without LBS_NOTIFY the parent hears nothing, but the choice is made.
    dt::DoubleClickAt(firstItem(quiet));
    EXPECT_TRUE(dt::RunUntil([&] { return SendMessage(quiet, LB_GETCURSEL, 0, 0) == 0; }));
    EXPECT_FALSE(Commanded(41, LBN_DBLCLK));
}

TEST_F(Desktop, AClickOnATabAsksTheProgramWhichChoosesIt)
{
    HWND frame = Frame();
    HWND tabs = Child(frame, WC_TABCONTROL, "", WS_TABSTOP, 0x3020, {4, 4, 340, 200});
    for (const char* title : {"General", "&Wave", "File"}) {
        std::string text = title;
        TCITEMA item{};
        item.mask = TCIF_TEXT;
        item.pszText = text.data();
        SendMessage(tabs, TCM_INSERTITEMA, 9, reinterpret_cast<LPARAM>(&item));
    }
    ShowAndSettle(frame);
    EXPECT_EQ(dt::NativeValue(tabs), "0");
    std::optional<POINT> wave;
    ASSERT_TRUE(dt::RunUntil([&] { return (wave = dt::TabOnScreen(tabs, 1)).has_value(); }));
    dt::ClickAt(*wave);
    EXPECT_TRUE(dt::RunUntil([&] { return SendMessage(tabs, TCM_GETCURSEL, 0, 0) == 1; }));
    EXPECT_EQ(Seen(WM_NOTIFY).size(), 2u) << "asked before, told after";
    EXPECT_EQ(dt::NativeValue(tabs), "1");
    EXPECT_EQ(GetFocus(), tabs);
    // The program's own choice shows too, and the arrow keys step from the focused tabs.
    SendMessage(tabs, TCM_SETCURSEL, 2, 0);
    EXPECT_EQ(dt::NativeValue(tabs), "2");
    dt::Key(VK_LEFT);
    EXPECT_TRUE(dt::RunUntil([&] { return SendMessage(tabs, TCM_GETCURSEL, 0, 0) == 1; }));
    EXPECT_EQ(dt::NativeValue(tabs), "1");
}

TEST_F(Desktop, TypingGoesToTheFocusedEditThroughItsMessages)
{
    HWND frame = Frame();
    HWND edit = Child(frame, WC_EDIT, "", WS_BORDER | WS_TABSTOP, 3, {10, 10, 200, 32});
    ShowAndSettle(frame);
    dt::Click(edit);
    ASSERT_TRUE(dt::RunUntil([&] { return GetFocus() == edit; }));
    dt::Type("Take_1 A!");
    EXPECT_TRUE(dt::RunUntil([&] { return platform::headless::Text(edit) == "Take_1 A!"; })) << platform::headless::Text(edit);
    EXPECT_EQ(dt::NativeValue(edit), "Take_1 A!");
    dt::Key(VK_BACK);
    EXPECT_TRUE(dt::RunUntil([&] { return platform::headless::Text(edit) == "Take_1 A"; }));
    dt::Key(VK_HOME);
    dt::Type("x");
    EXPECT_TRUE(dt::RunUntil([&] { return platform::headless::Text(edit) == "xTake_1 A"; })) << platform::headless::Text(edit);
}

TEST_F(Desktop, KeysCarryTheModifierStateTheProgramReads)
{
    HWND frame = Frame();
    ShowAndSettle(frame);
    SetFocus(frame);
    dt::Key('R', {VK_CONTROL, VK_SHIFT});
    ASSERT_TRUE(dt::RunUntil([] {
        for (const Received& r : Seen(WM_KEYDOWN)) {
            if (r.wParam == 'R') {
                return true;
            }
        }
        return false;
    }));
    for (const Received& r : Seen(WM_KEYDOWN)) {
        if (r.wParam == 'R') {
            EXPECT_TRUE(r.control);
            EXPECT_TRUE(r.shift);
            EXPECT_FALSE(r.alt);
        }
    }
    EXPECT_TRUE(dt::RunUntil([] { return !Seen(WM_KEYUP).empty() && GetAsyncKeyState(VK_CONTROL) >= 0; }));

    Log().clear();
    dt::Key('P', {VK_MENU});
    EXPECT_TRUE(dt::RunUntil([] {
        for (const Received& r : Seen(WM_SYSKEYDOWN)) {
            if (r.wParam == 'P' && r.alt) {
                return true;
            }
        }
        return false;
    }));
}

TEST_F(Desktop, EnterAndEscapeDoNotCloseAFrameOrItsChildDialog)
{
    platform::DialogTemplate t;
    t.style = WS_CHILD | DS_CONTROL | WS_VISIBLE;
    t.cx = 120;
    t.cy = 60;
    t.items = {{WC_BUTTON, "Go", IDOK, WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 10, 10, 50, 14},
               {WC_BUTTON, "Stop", IDCANCEL, WS_VISIBLE | WS_TABSTOP, 0, 64, 10, 50, 14}};
    platform::AddDialog("DESKCHILD", t);
    HWND frame = Frame();
    HWND panel = CreateDialogParamA(nullptr, "DESKCHILD", frame, nullptr, 0);
    ASSERT_NE(panel, nullptr);
    ShowAndSettle(frame);
    SetFocus(frame);
    dt::Key(VK_RETURN);
    dt::Key(VK_ESCAPE);
    // Both keys reached the program, which does nothing with them; the toolkit did not act on them.
    ASSERT_TRUE(dt::RunUntil([] {
        for (const Received& r : Seen(WM_KEYUP)) {
            if (r.wParam == VK_ESCAPE) {
                return true;
            }
        }
        return false;
    }));
    EXPECT_EQ(Seen(WM_KEYDOWN).size(), 2u);
    EXPECT_TRUE(Seen(WM_CLOSE).empty());
    EXPECT_TRUE(Seen(WM_SYSCOMMAND).empty());
    EXPECT_TRUE(IsWindow(frame));
    EXPECT_TRUE(IsWindowVisible(frame));
    EXPECT_TRUE(dt::Shown(frame));
    EXPECT_TRUE(IsWindow(panel));
    EXPECT_TRUE(dt::Shown(panel));
}
}
}
