// Themed drawing on the desktop: push-button faces in the GTK theme's looks for each state, compared with
// a real toolkit button, their text colour, and a change of the desktop's theme told to every window.
#include "tests/platform/display/DesktopFixture.h"

#include "platform/theme/Theme.h"
#include "platform/user/WindowDC.h"

namespace desktoptest {
namespace {
constexpr int kWidth = 60;
constexpr int kHeight = 28;
const int kStates[] = {PBS_NORMAL, PBS_HOT, PBS_PRESSED, PBS_DISABLED};

// A white memory surface the size of a button, drawn by draw; its pixels row by row.
std::vector<COLORREF> Drawn(const std::function<void(HDC, const RECT&)>& draw, int w = kWidth, int h = kHeight)
{
    HDC dc = CreateCompatibleDC(nullptr);
    std::vector<DWORD> white(static_cast<std::size_t>(w * h), 0xFFFFFF);
    HBITMAP bitmap = CreateBitmap(w, h, 1, 32, white.data());
    HGDIOBJ old = SelectObject(dc, bitmap);
    draw(dc, RECT{0, 0, w, h});
    std::vector<COLORREF> out;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            out.push_back(GetPixel(dc, x, y));
        }
    }
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return out;
}

std::vector<COLORREF> Face(HTHEME theme, int state)
{
    return Drawn([&](HDC dc, const RECT& r) { EXPECT_EQ(DrawThemeBackground(theme, dc, BP_PUSHBUTTON, state, &r, nullptr), S_OK); });
}

// Pixels further apart than rounding in any channel.
int Differing(const std::vector<COLORREF>& a, const std::vector<COLORREF>& b)
{
    int n = 0;
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
        if (std::abs(GetRValue(a[i]) - GetRValue(b[i])) > 2 || std::abs(GetGValue(a[i]) - GetGValue(b[i])) > 2 ||
            std::abs(GetBValue(a[i]) - GetBValue(b[i])) > 2) {
            ++n;
        }
    }
    return n;
}

int Brightness(COLORREF c) { return GetRValue(c) + GetGValue(c) + GetBValue(c); }

// The darkest pixel of some text drawn in the theme on white.
COLORREF Ink(HTHEME theme, bool grayed)
{
    COLORREF darkest = RGB(255, 255, 255);
    for (COLORREF c : Drawn([&](HDC dc, const RECT& r) {
             EXPECT_EQ(DrawThemeText(theme, dc, BP_PUSHBUTTON, PBS_NORMAL, L"MWMW", -1, 0x25, grayed ? DTT_GRAYED : 0, &r),
                       S_OK);
         })) {
        if (Brightness(c) < Brightness(darkest)) {
            darkest = c;
        }
    }
    return darkest;
}

class Themes : public Desktop {
protected:
    void TearDown() override
    {
        if (theme_) {
            CloseThemeData(theme_);
        }
        if (!desktopTheme_.empty()) {
            dt::SwitchTheme(desktopTheme_);
        }
        Desktop::TearDown();
    }
    HTHEME theme_ = nullptr;
    std::string desktopTheme_;
};

TEST_F(Themes, TheButtonFacesOfTheFourStatesAreTheThemesOwn)
{
    HWND frame = Frame();
    theme_ = OpenThemeData(frame, L"Edit;Button");
    ASSERT_NE(theme_, nullptr) << "the desktop draws buttons in its theme";
    EXPECT_EQ(OpenThemeData(frame, L"Edit"), nullptr) << "only the buttons are themed";

    std::vector<std::vector<COLORREF>> faces;
    for (int state : kStates) {
        faces.push_back(Face(theme_, state));
        EXPECT_LE(Differing(faces.back(), dt::ToolkitButtonFace(state, kWidth, kHeight)), kWidth * kHeight / 100)
            << "state " << state << " is not drawn as the toolkit draws its buttons";
    }
    for (std::size_t i = 0; i < faces.size(); ++i) {
        for (std::size_t j = i + 1; j < faces.size(); ++j) {
            EXPECT_GT(Differing(faces[i], faces[j]), kWidth)
                << "states " << kStates[i] << " and " << kStates[j] << " look alike";
        }
    }
    DestroyWindow(frame);
}

TEST_F(Themes, AFaceDrawsOnlyInsideItsClip)
{
    HWND frame = Frame();
    theme_ = OpenThemeData(frame, L"Button");
    ASSERT_NE(theme_, nullptr);
    const std::vector<COLORREF> whole = Face(theme_, PBS_PRESSED);
    const RECT clip{10, 5, 30, 20};
    const std::vector<COLORREF> clipped = Drawn([&](HDC dc, const RECT& r) {
        EXPECT_EQ(DrawThemeBackground(theme_, dc, BP_PUSHBUTTON, PBS_PRESSED, &r, &clip), S_OK);
    });
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const std::size_t i = static_cast<std::size_t>(y * kWidth + x);
            const bool inside = x >= clip.left && x < clip.right && y >= clip.top && y < clip.bottom;
            ASSERT_EQ(clipped[i], inside ? whole[i] : RGB(255, 255, 255)) << "at " << x << "," << y;
        }
    }
    DestroyWindow(frame);
}

TEST_F(Themes, TheTextTakesTheThemesColourAndFadesWhenGrayed)
{
    HWND frame = Frame();
    theme_ = OpenThemeData(frame, L"Button");
    ASSERT_NE(theme_, nullptr);
    const COLORREF ink = Ink(theme_, false);
    const COLORREF grayed = Ink(theme_, true);
    EXPECT_LT(Brightness(ink), 3 * 128) << "dark text on a light theme's button";
    EXPECT_GT(Brightness(grayed), Brightness(ink) + 60) << "the disabled text is fainter";
    DestroyWindow(frame);
}

TEST_F(Themes, AChangeOfTheDesktopsThemeReachesEveryWindowAndTheFacesFollow)
{
    HWND frame = Frame();
    HWND child = Child(frame, "DeskFrame", "", 0, 5, RECT{10, 10, 60, 40});
    theme_ = OpenThemeData(child, L"Button");
    ASSERT_NE(theme_, nullptr);
    const std::vector<COLORREF> before = Face(theme_, PBS_NORMAL);
    Log().clear();

    desktopTheme_ = dt::SwitchTheme("Adwaita", true);
    const auto told = [](HWND h) {
        for (const Received& r : Seen(WM_THEMECHANGED)) {
            if (r.hwnd == h) {
                return true;
            }
        }
        return false;
    };
    ASSERT_TRUE(dt::RunUntil([&] { return told(frame) && told(child); })) << "a window was not told";
    const std::vector<COLORREF> after = Face(theme_, PBS_NORMAL);
    EXPECT_GT(Differing(before, after), kWidth * kHeight / 2) << "the dark theme's button looks like the light one's";
    EXPECT_LE(Differing(after, dt::ToolkitButtonFace(PBS_NORMAL, kWidth, kHeight)), kWidth * kHeight / 100);
    DestroyWindow(frame);
}
}
}

namespace desktoptest {
namespace {
// A control the program draws in the desktop's colours, as the level meter and the transport buttons are.
LRESULT FaceProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT rc{};
        GetClientRect(hwnd, &rc);
        FillRect(dc, &rc, GetSysColorBrush(COLOR_3DFACE));
        EndPaint(hwnd, &ps);
        return 0;
    }
    if (msg == WM_THEMECHANGED) {
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

TEST_F(Themes, TheProgramsOwnDrawingTakesTheThemesColoursLightAndDark)
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = FaceProc;
    wc.lpszClassName = "DeskFace";
    RegisterClassA(&wc);
    HWND frame = Frame();
    HWND face = Child(frame, "DeskFace", "", 0, 7, {10, 10, 110, 50});
    ShowAndSettle(frame);
    const auto shown = [&]() -> COLORREF {
        const auto r = dt::ScreenRect(face);
        const auto px = r ? dt::ScreenPixels(RECT{r->left + 50, r->top + 20, r->left + 51, r->top + 21}) : std::vector<std::uint32_t>{};
        return px.empty() ? CLR_INVALID : RGB((px[0] >> 16) & 0xFF, (px[0] >> 8) & 0xFF, px[0] & 0xFF);
    };
    EXPECT_TRUE(dt::RunUntil([] { return Brightness(GetSysColor(COLOR_3DFACE)) > 3 * 180; })) << std::hex << GetSysColor(COLOR_3DFACE);
    EXPECT_LT(Brightness(GetSysColor(COLOR_BTNTEXT)), 3 * 100);
    EXPECT_TRUE(dt::RunUntil([&] { return shown() == GetSysColor(COLOR_3DFACE); })) << std::hex << shown();

    desktopTheme_ = dt::SwitchTheme("Adwaita", true);
    EXPECT_TRUE(dt::RunUntil([&] { return Brightness(GetSysColor(COLOR_3DFACE)) < 3 * 100; }))
        << "the dark theme's face is " << std::hex << GetSysColor(COLOR_3DFACE);
    EXPECT_GT(Brightness(GetSysColor(COLOR_BTNTEXT)), 3 * 180) << std::hex << GetSysColor(COLOR_BTNTEXT);
    EXPECT_GT(Brightness(GetSysColor(COLOR_3DHILIGHT)), Brightness(GetSysColor(COLOR_BTNSHADOW)));
    EXPECT_TRUE(dt::RunUntil([&] { const COLORREF c = shown(); return c != CLR_INVALID && Brightness(c) < 3 * 100; }))
        << std::hex << shown();
    DestroyWindow(frame);
}
}
}
