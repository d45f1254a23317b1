// CoolButton: the classic faces of every state, the latch group, the mnemonic
// underline, the transparent bitmap and the themed path.
#include "ControlsTestSupport.h"
#include "controls/CoolButton.h"
#include "platform/user/Resources.h"

using namespace controlstest;
namespace hl = platform::headless;

namespace {
constexpr COLORREF kDownFace = RGB(255, 230, 180);
constexpr COLORREF kRecordInk = RGB(200, 0, 0);
constexpr COLORREF kPressedInk = RGB(0, 0, 128);
constexpr COLORREF kDisabledInk = RGB(128, 128, 128);
constexpr int kNormalBitmap = 9201;
constexpr int kDownBitmap = 9202;
constexpr int kOffBitmap = 9203;

// A 16-pixel face: a square of ink in the middle on the transparent grey.
platform::ImageResource Face(COLORREF ink)
{
    platform::ImageResource img{16, 16, std::vector<COLORREF>(16 * 16, RGB(192, 192, 192))};
    for (int y = 5; y < 11; ++y) {
        for (int x = 5; x < 11; ++x) {
            img.pixels[static_cast<std::size_t>(y * 16 + x)] = ink;
        }
    }
    return img;
}

class CoolButtons : public ControlsTest {
protected:
    void Make()
    {
        panel = new Panel;
        record = new CoolButton(panel, 150, 150, 154);
        stop = new CoolButton(panel, 154, 150, 154);
        play = new CoolButton(panel, 151, 150, 154);
        platform::AddBitmap(kNormalBitmap, Face(kRecordInk));
        platform::AddBitmap(kDownBitmap, Face(kPressedInk));
        platform::AddBitmap(kOffBitmap, Face(kDisabledInk));
        record->SetBitmap(kNormalBitmap, 0);
        record->SetBitmap(kDownBitmap, 1);
        record->SetBitmap(kOffBitmap, 2);
        record->SetFaceColor(kDownFace, 1);
        ASSERT_TRUE(panel->Create());
        Settle();
    }
    void TearDown() override
    {
        delete panel;
        ControlsTest::TearDown();
    }
    HWND Button(int id) const { return GetDlgItem(panel->GetHandle(), id); }
    // Without a caption the bitmap is centred; the middle of its glyph:
    static COLORREF Glyph(HWND b) { return platform::WindowPixel(b, (45 - 16) / 2 + 8, 16); }
    static bool NeedsPaint(HWND b) { return platform::headless::PaintPending(b); }

    Panel* panel = nullptr;
    CoolButton* record = nullptr;
    CoolButton* stop = nullptr;
    CoolButton* play = nullptr;
};
}

TEST_F(CoolButtons, ClassicFacesOfEveryState)
{
    Make();
    HWND b = Button(150);
    EXPECT_EQ(GetWindowLongA(b, GWL_STYLE) & BS_TYPEMASK, static_cast<LONG>(BS_OWNERDRAW));
    // As the main window draws its transport buttons: pictures, no captions.
    record->SetBitmapOnly(true);
    stop->SetBitmapOnly(true);
    const COLORREF face = GetSysColor(COLOR_3DFACE);

    // Normal (state -1 after construction draws like 0): raised border, normal bitmap, key colour shows the face.
    EXPECT_EQ(record->GetState(), -1);
    EXPECT_EQ(PaintedPixel(b, 5, 5), face);
    EXPECT_EQ(platform::WindowPixel(b, 0, 0), GetSysColor(COLOR_3DHILIGHT));
    EXPECT_EQ(Glyph(b), kRecordInk);
    EXPECT_EQ(platform::WindowPixel(b, (45 - 16) / 2, 8), face) << "the bitmap's key pixels are transparent";
    const std::vector<COLORREF> normal = Pixels(b);

    // Hot: the classic face does not light up.
    hl::MoveMouse(b, Middle(b));
    InvalidateRect(b, nullptr, TRUE);
    Settle();
    EXPECT_EQ(Pixels(b), normal);

    // Latched: the down face and bitmap, still raised.
    record->SetState(1, false);
    EXPECT_EQ(PaintedPixel(b, 5, 5), kDownFace);
    EXPECT_EQ(Glyph(b), kPressedInk);
    EXPECT_EQ(platform::WindowPixel(b, 0, 0), GetSysColor(COLOR_3DHILIGHT));

    // Pressed: the down face, sunken.
    record->SetState(3, false);
    EXPECT_EQ(PaintedPixel(b, 5, 5), kDownFace);
    EXPECT_EQ(Glyph(b), kPressedInk);
    EXPECT_EQ(platform::WindowPixel(b, 0, 0), GetSysColor(COLOR_3DDKSHADOW));

    // Disabled: the disabled bitmap on the down face.
    record->SetState(0, false);
    EnableWindow(b, FALSE);
    EXPECT_EQ(PaintedPixel(b, 5, 5), kDownFace);
    EXPECT_EQ(Glyph(b), kDisabledInk);

    // Without a disabled bitmap the down one stands in.
    EnableWindow(b, TRUE);
    HWND s = Button(154);
    stop->SetBitmap(kDownBitmap, 1);
    EnableWindow(s, FALSE);
    EXPECT_EQ(PaintedPixel(s, (45 - 16) / 2 + 8, 16), kPressedInk);
}

TEST_F(CoolButtons, PressingOneMemberPopsTheOthersAndKeepsItselfPressed)
{
    Make();
    record->SetState(1, true);
    Settle();
    EXPECT_EQ(record->GetState(), 1);
    EXPECT_EQ(stop->GetState(), 0);
    EXPECT_EQ(play->GetState(), 0);

    hl::PressAt(Button(151), Middle(Button(151)));
    EXPECT_EQ(play->GetState(), 3) << "the pressed member stays pressed when its own latch arrives";
    EXPECT_EQ(record->GetState(), 0);
    EXPECT_EQ(stop->GetState(), 0);
    EXPECT_EQ(PaintedPixel(Button(150), 3, 3), GetSysColor(COLOR_3DFACE)) << "the popped member repaints up";

    hl::ReleaseAt(Button(151), Middle(Button(151)));
    EXPECT_EQ(play->GetState(), 0) << "release pops it up again; the owner latches the running operation";

    // A member already up is not repainted when another latches.
    ValidateRect(Button(154), nullptr);
    ValidateRect(Button(150), nullptr);
    play->SetState(1, true);
    EXPECT_FALSE(NeedsPaint(Button(154)));
    EXPECT_TRUE(NeedsPaint(Button(151)));
    EXPECT_EQ(play->GetState(), 1);

    // Latch messages for another group are ignored.
    SendMessage(Button(150), CM_COOLBUTTON_LATCH, MAKELONG(200, 210), 200);
    EXPECT_EQ(play->GetState(), 1);
    SendMessage(Button(151), CM_COOLBUTTON_LATCH, MAKELONG(200, 210), 200);
    EXPECT_EQ(play->GetState(), 1);
    // A pressed member receiving its own latch stays pressed but repaints.
    play->SetState(3, false);
    ValidateRect(Button(151), nullptr);
    SendMessage(Button(151), CM_COOLBUTTON_LATCH, MAKELONG(150, 154), 151);
    EXPECT_EQ(play->GetState(), 3);
    EXPECT_TRUE(NeedsPaint(Button(151)));
}

TEST_F(CoolButtons, MnemonicUnderlineAndCaptionText)
{
    Make();
    HWND b = Button(154);
    SetWindowTextA(b, "&Sto&p");
    stop->SetTextColor(RGB(0, 0, 255), 0);
    PaintedPixel(b, 0, 0);
    EXPECT_EQ(platform::WindowDrawnText(b), "Sto&p") << "only the first & is a mnemonic";

    const int lineHeight = MeasureText(b, "L").lineHeight;
    const SIZE all = MeasureText(b, "Sto&p").extent;
    const SIZE first = MeasureText(b, "S").extent;
    RECT rc{};
    GetClientRect(b, &rc);
    const int y = rc.bottom / 2 + lineHeight / 2 - 1;
    const int xs = rc.right / 2 - all.cx / 2;
    for (int x = xs; x < xs + first.cx; ++x) {
        EXPECT_EQ(platform::WindowPixel(b, x, y), RGB(0, 0, 255)) << x;
    }
    EXPECT_NE(platform::WindowPixel(b, xs - 1, y), RGB(0, 0, 255));
    EXPECT_NE(platform::WindowPixel(b, xs + first.cx, y), RGB(0, 0, 255));

    // Bitmap only: no caption, the bitmap centred.
    record->SetBitmapOnly(true);
    PaintedPixel(Button(150), 0, 0);
    EXPECT_EQ(platform::WindowDrawnText(Button(150)), "");
    EXPECT_EQ(platform::WindowPixel(Button(150), (45 - 16) / 2 + 8, 16), kRecordInk);

    EXPECT_TRUE(stop->TextFits("Stop"));
    EXPECT_FALSE(stop->TextFits("A caption far too long for a transport button"));
}

TEST_F(CoolButtons, BitmapAsTallAsTheButtonIsNotDrawn)
{
    platform::ImageResource tall{16, 32, std::vector<COLORREF>(16 * 32, RGB(0, 128, 0))};
    platform::AddBitmap(9001, tall);
    Make();
    stop->SetBitmap(9001, 0);
    HWND b = Button(154);
    EXPECT_EQ(PaintedPixel(b, 4, 16), GetSysColor(COLOR_3DFACE));
    platform::ImageResource shorter{16, 31, std::vector<COLORREF>(16 * 31, RGB(0, 128, 0))};
    platform::AddBitmap(9002, shorter);
    stop->SetBitmap(9002, 0);
    EXPECT_EQ(PaintedPixel(b, 4, 16), RGB(0, 128, 0));
}

TEST_F(CoolButtons, FocusRectangleToggles)
{
    Make();
    HWND b = Button(154);
    PaintedPixel(b, 0, 0);
    const std::vector<COLORREF> before = Pixels(b);
    const std::vector<COLORREF> focused = PixelsAfterFocus(b, b);
    // Around the caption without its "&": the bottom edge dotted two pixels below the text's cell.
    RECT rc{};
    GetClientRect(b, &rc);
    const auto [lineHeight, text] = MeasureText(b, "Stop");
    const int x0 = (rc.right - text.cx) / 2;
    const int bottom = rc.bottom / 2 + lineHeight / 2 + 2;
    int changed = 0;
    for (int x = 0; x < rc.right; ++x) {
        const std::size_t i = static_cast<std::size_t>((bottom - 1) * rc.right + x);
        if (focused[i] != before[i]) {
            ++changed;
            EXPECT_TRUE(x >= x0 - 2 && x < x0 + text.cx + 2) << x;
        }
    }
    EXPECT_NEAR(changed, (text.cx + 4) / 2, 1);
    EXPECT_EQ(PixelsAfterFocus(b, Button(150)), before) << "a second focus draw takes the rectangle away";
}

TEST_F(CoolButtons, ThemedBackgroundFollowsStateAndMouse)
{
    StateTheme theme;
    Make();
    HWND b = Button(154);
    EXPECT_EQ(PaintedPixel(b, 2, 2), GetSysColor(COLOR_3DFACE)) << "no theme: classic";

    platform::SetThemeRenderer(&theme);
    Settle();
    EXPECT_EQ(PaintedPixel(b, 2, 2), StateTheme::Colour(PBS_NORMAL));
    EXPECT_EQ(platform::WindowPixel(b, 6, 6), StateTheme::Colour(PBS_NORMAL)) << "the default face is not filled";
    ASSERT_FALSE(theme.texts.empty());
    EXPECT_EQ(theme.texts.back().text, L"Stop");
    EXPECT_EQ(theme.texts.back().flags, 0x25u);
    EXPECT_FALSE(theme.texts.back().grayed);

    hl::MoveMouse(b, Middle(b));
    EXPECT_EQ(platform::WindowPixel(b, 2, 2), StateTheme::Colour(PBS_HOT)) << "moving in repaints hot";
    hl::MoveMouse(Button(150), Middle(Button(150)));
    EXPECT_EQ(platform::WindowPixel(b, 2, 2), StateTheme::Colour(PBS_NORMAL)) << "leaving repaints normal";

    stop->SetState(3, false);
    EXPECT_EQ(PaintedPixel(b, 2, 2), StateTheme::Colour(PBS_PRESSED));
    stop->SetState(2, false);
    EXPECT_EQ(PaintedPixel(b, 2, 2), StateTheme::Colour(PBS_DISABLED));
    EXPECT_TRUE(theme.texts.back().grayed);

    // A custom face colour fills the face inside the theme's edge.
    hl::MoveMouse(nullptr, POINT{-50, -50});
    HWND r = Button(150);
    record->SetState(1, false);
    EXPECT_EQ(PaintedPixel(r, 6, 6), kDownFace);
    EXPECT_EQ(platform::WindowPixel(r, 2, 2), StateTheme::Colour(PBS_NORMAL));

    platform::SetThemeRenderer(nullptr);
    Settle();
    EXPECT_EQ(PaintedPixel(b, 2, 2), GetSysColor(COLOR_3DFACE)) << "the theme going away brings the classic face back";
}
