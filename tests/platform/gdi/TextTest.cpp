// Text on surfaces: real glyphs inside the text's cell and nowhere else, the
// cell filled in OPAQUE mode, alignment, and DrawText's lines, places and mnemonics.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/gdi/Gdi.h"

namespace {
constexpr COLORREF kWhite = RGB(255, 255, 255);

struct Canvas {
    std::shared_ptr<platform::Surface> surface = platform::CreateSurface(160, 60);
    HDC dc = platform::CreateSurfaceDC(surface);
    ~Canvas() { DeleteDC(dc); }
    COLORREF At(int x, int y) const { return platform::SurfacePixel(*surface, x, y); }
    // Pixels that are not white inside [l, r) x [t, b), and outside it.
    std::pair<int, int> Inked(int l, int t, int r, int b) const
    {
        int inside = 0;
        int outside = 0;
        for (int y = 0; y < 60; ++y) {
            for (int x = 0; x < 160; ++x) {
                if (At(x, y) != kWhite) {
                    (x >= l && x < r && y >= t && y < b ? inside : outside) += 1;
                }
            }
        }
        return {inside, outside};
    }
    SIZE Extent(const char* text) const
    {
        SIZE s{};
        GetTextExtentPoint32A(dc, text, static_cast<int>(std::strlen(text)), &s);
        return s;
    }
};
}

TEST(Text, GlyphsLandInsideTheCellAndNowhereElse)
{
    Canvas c;
    SetBkMode(c.dc, TRANSPARENT);
    SetTextColor(c.dc, RGB(0, 0, 0));
    const SIZE s = c.Extent("Record");
    EXPECT_GT(s.cx, 20);
    EXPECT_GE(s.cy, 11);
    EXPECT_LE(s.cy, 16) << "the dialog font keeps the line height the dialog units assume";
    ASSERT_TRUE(TextOutA(c.dc, 30, 10, "Record", 6));
    const auto [inside, outside] = c.Inked(30, 10, 30 + s.cx, 10 + s.cy);
    EXPECT_GT(inside, 40);
    EXPECT_EQ(outside, 0);
    EXPECT_EQ(platform::SurfaceText(*c.surface), "Record");

    // Wider text is wider; an empty text has no width.
    EXPECT_GT(c.Extent("Recording").cx, s.cx);
    EXPECT_EQ(c.Extent("").cx, 0);
}

TEST(Text, AlignmentAndTheOpaqueCell)
{
    Canvas c;
    SetBkColor(c.dc, RGB(0, 200, 0));
    SetBkMode(c.dc, OPAQUE);
    SetTextAlign(c.dc, TA_CENTER | TA_BOTTOM);
    const SIZE s = c.Extent("Stop");
    TextOutA(c.dc, 80, 40, "Stop", 4);
    const int left = 80 - s.cx / 2;
    EXPECT_EQ(c.At(left, 40 - s.cy), RGB(0, 200, 0)) << "the cell's top-left corner";
    EXPECT_EQ(c.At(left + s.cx - 1, 39), RGB(0, 200, 0));
    EXPECT_EQ(c.At(left - 1, 39), kWhite);
    EXPECT_EQ(c.At(left, 40), kWhite) << "TA_BOTTOM: the cell ends above the reference point";
    const auto [inside, outside] = c.Inked(left, 40 - s.cy, left + s.cx, 40);
    EXPECT_EQ(outside, 0);
    EXPECT_EQ(inside, s.cx * s.cy);
}

TEST(Text, StrayBytesAreShownNotDropped)
{
    Canvas c;
    SIZE bad{};
    ASSERT_TRUE(GetTextExtentPoint32A(c.dc, "A\xFF" "B", 3, &bad));
    EXPECT_GT(bad.cx, c.Extent("AB").cx);
    EXPECT_TRUE(TextOutA(c.dc, 0, 0, "A\xFF" "B", 3));
}

TEST(DrawText, LinesBreakAtTheWidthAndCalcRectSaysHowHigh)
{
    Canvas c;
    const SIZE line = c.Extent("Listen");
    RECT r{0, 0, 60, 0};
    const char* text = "Listen at start-up and minimize";
    const int h = DrawTextA(c.dc, text, -1, &r, DT_WORDBREAK | DT_CALCRECT);
    EXPECT_GE(h, 3 * line.cy);
    EXPECT_EQ(r.bottom, h);
    EXPECT_EQ(c.Inked(0, 0, 160, 60).first, 0) << "DT_CALCRECT draws nothing";
    RECT one{0, 0, 0, 0};
    EXPECT_EQ(DrawTextA(c.dc, "Listen", -1, &one, DT_SINGLELINE | DT_CALCRECT), line.cy);
    EXPECT_EQ(one.right, line.cx);
}

TEST(DrawText, CentredClippedAndWithItsMnemonicUnderlined)
{
    Canvas c;
    SetBkMode(c.dc, TRANSPARENT);
    RECT r{20, 10, 140, 40};
    const SIZE s = c.Extent("File");
    EXPECT_EQ(DrawTextA(c.dc, "&File", -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE), s.cy);
    const int left = (20 + 140 - s.cx) / 2;
    const int top = (10 + 40 - s.cy) / 2;
    const auto [inside, outside] = c.Inked(left, top, left + s.cx, top + s.cy);
    EXPECT_GT(inside, 20);
    EXPECT_EQ(outside, 0);
    EXPECT_EQ(platform::SurfaceText(*c.surface), "File");
    // The underline: a run of dark pixels under "F" in the cell's lower part, none under "ile".
    const int f = c.Extent("F").cx;
    int underlineRow = -1;
    for (int y = top + s.cy / 2; y < top + s.cy && underlineRow < 0; ++y) {
        int dark = 0;
        for (int x = left; x < left + f; ++x) {
            dark += GetRValue(c.At(x, y)) < 128;
        }
        if (dark >= f - 1) {
            underlineRow = y;
        }
    }
    ASSERT_GE(underlineRow, 0);
    for (int x = left + f + 1; x < left + s.cx; ++x) {
        EXPECT_GT(GetRValue(c.At(x, underlineRow)), 100) << x;
    }

    Canvas plain;
    DrawTextA(plain.dc, "&&1 && 2", -1, &r, DT_SINGLELINE);
    EXPECT_EQ(platform::SurfaceText(*plain.surface), "&1 & 2");
    Canvas raw;
    DrawTextA(raw.dc, "&File", -1, &r, DT_SINGLELINE | DT_NOPREFIX);
    EXPECT_EQ(platform::SurfaceText(*raw.surface), "&File");

    Canvas clipped;
    RECT small{10, 10, 30, 30};
    DrawTextA(clipped.dc, "A line much wider than its rectangle", -1, &small, DT_SINGLELINE);
    const auto [in, out] = clipped.Inked(10, 10, 30, 30);
    EXPECT_GT(in, 0);
    EXPECT_EQ(out, 0);
}
