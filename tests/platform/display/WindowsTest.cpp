// Window records on the screen: each standard control as a native widget at its record's place, following moves, hides and state changes.
#include "tests/platform/display/DesktopFixture.h"

#include "platform/user/Dialogs.h"
#include "platform/user/Resources.h"
#include "platform/user/WindowDC.h"

namespace desktoptest {
namespace {
bool Same(const std::optional<RECT>& a, const RECT& b)
{
    return a && a->left == b.left && a->top == b.top && a->right == b.right && a->bottom == b.bottom;
}

std::string Describe(const std::optional<RECT>& r)
{
    return r ? std::to_string(r->left) + "," + std::to_string(r->top) + "," + std::to_string(r->right) + "," + std::to_string(r->bottom)
             : "none";
}

TEST_F(Desktop, EveryStandardControlIsShownAtItsRecordsPlaceAndFollowsIt)
{
    HWND frame = Frame(30, 30, 420, 300);
    struct Control {
        LPCSTR cls;
        DWORD style;
        RECT rect;
    };
    const Control controls[] = {
        {WC_BUTTON, BS_PUSHBUTTON, {10, 10, 90, 34}},
        {WC_BUTTON, BS_AUTOCHECKBOX, {10, 40, 130, 60}},
        {WC_BUTTON, BS_AUTORADIOBUTTON, {10, 64, 130, 84}},
        {WC_EDIT, WS_BORDER, {10, 90, 130, 112}},
        {WC_COMBOBOX, CBS_DROPDOWNLIST, {10, 120, 130, 144}},
        {WC_COMBOBOX, CBS_DROPDOWN, {10, 150, 130, 174}},
        {WC_LISTBOX, WS_VSCROLL, {160, 10, 300, 90}},
        {UPDOWN_CLASS, 0, {300, 100, 340, 130}},
        {TRACKBAR_CLASS, 0, {160, 140, 400, 170}},
        {PROGRESS_CLASS, 0, {160, 180, 400, 196}},
        {WC_STATIC, SS_LEFT, {160, 204, 400, 220}},
        {WC_BUTTON, BS_GROUPBOX, {10, 200, 150, 290}},
        {HOTKEY_CLASS, WS_BORDER, {160, 230, 300, 252}},
    };
    std::vector<HWND> made;
    int id = 100;
    for (const Control& c : controls) {
        made.push_back(Child(frame, c.cls, "Text", c.style, id++, c.rect));
        ASSERT_NE(made.back(), nullptr);
    }
    ShowAndSettle(frame);
    for (std::size_t i = 0; i < made.size(); ++i) {
        EXPECT_TRUE(dt::RunUntil([&] { return Same(dt::ClientRectInTop(made[i]), controls[i].rect); }))
            << controls[i].cls << " style " << controls[i].style << " is at " << Describe(dt::ClientRectInTop(made[i]));
        EXPECT_TRUE(dt::Shown(made[i])) << controls[i].cls;
    }

    MoveWindow(made[0], 20, 14, 100, 30, TRUE);
    EXPECT_TRUE(dt::RunUntil([&] { return Same(dt::ClientRectInTop(made[0]), RECT{20, 14, 120, 44}); }))
        << Describe(dt::ClientRectInTop(made[0]));
    ShowWindow(made[3], SW_HIDE);
    EXPECT_TRUE(dt::RunUntil([&] { return !dt::Shown(made[3]); }));
    ShowWindow(made[3], SW_SHOW);
    EXPECT_TRUE(dt::RunUntil([&] { return dt::Shown(made[3]); }));
}

TEST_F(Desktop, AWindowTheUserMovesKeepsItsNewPlaceInItsRecord)
{
    HWND frame = Frame(30, 30, 300, 200);
    ShowAndSettle(frame);
    // Moved while a modal window disables it, as when the user drags the main window aside.
    EnableWindow(frame, FALSE);
    const auto at = [](HWND w, LONG x, LONG y) {
        RECT rc{};
        GetWindowRect(w, &rc);
        return rc.left == x && rc.top == y && rc.right - rc.left == 300 && rc.bottom - rc.top == 200;
    };
    dt::MoveAsUser(frame, POINT{210, 160});
    EXPECT_TRUE(dt::RunUntil([&] { return at(frame, 210, 160); }));
    // The window stays where the user left it; the program may still move it itself.
    for (int i = 0; i < 5; ++i) {
        dt::MoveAsUser(frame, POINT{220 + 10 * i, 170});
    }
    EXPECT_TRUE(dt::RunUntil([&] { return at(frame, 260, 170); }));
    EXPECT_TRUE(dt::RunUntil([&] { auto r = dt::ScreenRect(frame); return r && r->left == 260 && r->top == 170; }));
    EnableWindow(frame, TRUE);
    MoveWindow(frame, 50, 40, 300, 200, TRUE);
    EXPECT_TRUE(dt::RunUntil([&] { auto r = dt::ScreenRect(frame); return r && r->left == 50 && r->top == 40; }))
        << Describe(dt::ScreenRect(frame));
    EXPECT_TRUE(at(frame, 50, 40));
}

TEST_F(Desktop, WidgetsShowTheStateTheLayerKeeps)
{
    HWND frame = Frame();
    HWND check = Child(frame, WC_BUTTON, "&Check", BS_AUTO3STATE, 1, {10, 10, 150, 30});
    HWND edit = Child(frame, WC_EDIT, "", WS_BORDER, 2, {10, 40, 150, 62});
    HWND combo = Child(frame, WC_COMBOBOX, "", CBS_DROPDOWNLIST, 3, {10, 70, 150, 94});
    HWND bar = Child(frame, TRACKBAR_CLASS, "", 0, 4, {10, 100, 200, 130});
    HWND gauge = Child(frame, PROGRESS_CLASS, "", 0, 5, {10, 140, 200, 156});
    HWND hot = Child(frame, HOTKEY_CLASS, "", 0, 6, {10, 160, 200, 182});
    ShowAndSettle(frame);

    SendMessage(check, BM_SETCHECK, BST_INDETERMINATE, 0);
    SetWindowTextA(edit, "take one");
    SendMessage(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("WAV"));
    SendMessage(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("MP3"));
    SendMessage(combo, CB_SETCURSEL, 1, 0);
    SendMessage(bar, TBM_SETRANGE, TRUE, MAKELPARAM(0, 50));
    SendMessage(bar, TBM_SETPOS, TRUE, 20);
    SendMessage(gauge, PBM_SETRANGE, 0, MAKELPARAM(0, 200));
    SendMessage(gauge, PBM_SETPOS, 50, 0);
    SendMessage(hot, HKM_SETHOTKEY, static_cast<WPARAM>('R' | ((HOTKEYF_CONTROL | HOTKEYF_SHIFT) << 8)), 0);

    EXPECT_EQ(dt::NativeValue(check), "2");
    EXPECT_EQ(dt::NativeValue(edit), "take one");
    EXPECT_EQ(dt::NativeValue(combo), "1");
    EXPECT_EQ(dt::NativeValue(bar), "20");
    EXPECT_EQ(dt::NativeValue(gauge), "50/200");
    EXPECT_EQ(dt::NativeValue(hot), "Ctrl + Shift + R");
    EXPECT_EQ(dt::NativeValue(check), "2");
    SetWindowTextA(check, "&Loop");
    EXPECT_EQ(dt::NativeValue(check), "2");
}

TEST_F(Desktop, DialogUnitsAreTheDialogFontsQuarterWidthAndEighthHeight)
{
    platform::DialogTemplate t;
    t.caption = "Units";
    t.style = WS_POPUP | WS_CAPTION | DS_SETFONT;
    t.cx = 200;
    t.cy = 100;
    t.fontName = "MS Sans Serif";
    t.pointSize = 8;
    t.items = {{WC_BUTTON, "OK", IDOK, WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 40, 80, 50, 14}};
    platform::AddDialog("DESKUNITS", t);
    const SIZE base = platform::DialogBaseUnits(t);
    // Measured from the font the controls show: not the headless 6 x 13.
    EXPECT_GT(base.cx, 3);
    EXPECT_GT(base.cy, 8);
    HWND dialog = CreateDialogParamA(nullptr, "DESKUNITS", nullptr, nullptr, 0);
    ASSERT_NE(dialog, nullptr);
    RECT rc{40, 80, 90, 94};
    MapDialogRect(dialog, &rc);
    EXPECT_EQ(rc.left, 40 * base.cx / 4);
    EXPECT_EQ(rc.bottom, 94 * base.cy / 8);
    ShowAndSettle(dialog);
    EXPECT_TRUE(dt::RunUntil([&] { return Same(dt::ClientRectInTop(GetDlgItem(dialog, IDOK)), rc); }))
        << Describe(dt::ClientRectInTop(GetDlgItem(dialog, IDOK)));
    EXPECT_TRUE(dt::ClippedLabels(dialog).empty());
}

TEST_F(Desktop, AButtonThatBecomesOwnerDrawnIsShownFromWhatItDraws)
{
    HWND frame = Frame();
    HWND button = Child(frame, WC_BUTTON, "Record", BS_PUSHBUTTON, 150, {10, 10, 60, 40});
    ShowAndSettle(frame);
    EXPECT_EQ(dt::NativeValue(button), "Record");
    SetWindowLongA(button, GWL_STYLE, static_cast<LONG>((GetWindowLongA(button, GWL_STYLE) & ~BS_TYPEMASK) | BS_OWNERDRAW));
    EXPECT_TRUE(dt::RunUntil([&] { return dt::NativeValue(button).empty() && dt::Shown(button); }));
    EXPECT_TRUE(dt::RunUntil([&] { return Same(dt::ClientRectInTop(button), RECT{10, 10, 60, 40}); }));
}

TEST_F(Desktop, AFocusedButtonThatBecomesOwnerDrawnHasTheToolkitsFocusOnItsNewWidget)
{
    HWND frame = Frame();
    Child(frame, WC_BUTTON, "Stop", BS_PUSHBUTTON | WS_TABSTOP, 154, {70, 10, 120, 40});
    HWND button = Child(frame, WC_BUTTON, "Record", BS_PUSHBUTTON | WS_TABSTOP, 150, {10, 10, 60, 40});
    ShowAndSettle(frame);
    SetFocus(button);
    ASSERT_TRUE(dt::RunUntil([&] { return dt::HasNativeFocus(button); }));
    // As a themed button turns itself owner-drawn: the layer's focus stays, the widget is made anew.
    SendMessage(button, BM_SETSTYLE, BS_OWNERDRAW, 0);
    ASSERT_TRUE(dt::RunUntil([&] { return dt::NativeValue(button).empty() && dt::Shown(button); }));
    EXPECT_EQ(GetFocus(), button);
    EXPECT_TRUE(dt::RunUntil([&] { return dt::HasNativeFocus(button); }));
}

TEST_F(Desktop, ToolTipsAreShownOnTheirTools)
{
    HWND frame = Frame();
    HWND button = Child(frame, WC_BUTTON, "Stop", BS_PUSHBUTTON, 154, {10, 10, 60, 40});
    HWND tip = CreateWindowExA(0, TOOLTIPS_CLASS, "", WS_POPUP, 0, 0, 0, 0, frame, nullptr, nullptr, nullptr);
    ASSERT_NE(tip, nullptr);
    TOOLINFOA ti{};
    ti.cbSize = sizeof ti;
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = frame;
    ti.uId = reinterpret_cast<UINT_PTR>(button);
    char text[] = "Stop recording";
    ti.lpszText = text;
    SendMessage(tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
    EXPECT_EQ(dt::Tooltip(button), "Stop recording");
}
}
}

namespace desktoptest {
namespace {
// A top-level pop-up the program fills itself, as the help popups are: blue with a black bar.
LRESULT DrawnPopupProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT rc{};
        GetClientRect(hwnd, &rc);
        HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
        FillRect(dc, &rc, blue);
        DeleteObject(reinterpret_cast<HGDIOBJ>(blue));
        HBRUSH black = CreateSolidBrush(RGB(0, 0, 0));
        RECT bar{10, 10, 60, 20};
        FillRect(dc, &bar, black);
        DeleteObject(reinterpret_cast<HGDIOBJ>(black));
        EndPaint(hwnd, &ps);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

TEST_F(Desktop, ATopLevelWindowTheProgramDrawsShowsWhatItDrew)
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = DrawnPopupProc;
    wc.lpszClassName = "DeskDrawnPopup";
    RegisterClassA(&wc);
    HWND frame = Frame();
    ShowAndSettle(frame);
    HWND popup = CreateWindowExA(WS_EX_TOPMOST, "DeskDrawnPopup", "Its text is no title", WS_POPUP | WS_BORDER, 100, 100, 120, 60,
                                 frame, nullptr, nullptr, nullptr);
    ShowWindow(popup, SW_SHOWNA);
    UpdateWindow(popup);
    ASSERT_TRUE(dt::RunUntil([&] { return dt::Shown(popup); }));
    const auto pixelAt = [&](int x, int y) -> std::uint32_t {
        const auto r = dt::ScreenRect(popup);
        if (!r) {
            return 0xFFFFFFFF;
        }
        const auto px = dt::ScreenPixels(RECT{r->left + x, r->top + y, r->left + x + 1, r->top + y + 1});
        return px.empty() ? 0xFFFFFFFF : px.front();
    };
    EXPECT_TRUE(dt::RunUntil([&] { return pixelAt(80, 40) == 0x0000FF; })) << std::hex << pixelAt(80, 40);
    EXPECT_EQ(pixelAt(30, 15), 0x000000u) << std::hex << pixelAt(30, 15);
    DestroyWindow(popup);
}
}
}
