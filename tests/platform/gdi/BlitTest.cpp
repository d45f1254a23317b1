// Raster operations on the pixels themselves, colour and monochrome bitmaps between
// each other, and the rings of 3-D edges.
#include <gtest/gtest.h>

#include "platform/gdi/Gdi.h"

namespace {
struct Dc {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap;
    Dc(int w, int h, bool mono) : bitmap(mono ? CreateBitmap(w, h, 1, 1, nullptr) : CreateBitmap(w, h, 1, 32, nullptr))
    {
        SelectObject(dc, bitmap);
    }
    ~Dc()
    {
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
};
}

TEST(Blits, EachOperationCombinesSourceAndDestinationBitwise)
{
    Dc src(1, 1, false);
    Dc dst(1, 1, false);
    SetPixel(src.dc, 0, 0, RGB(0x0F, 0x33, 0xF0));
    const struct {
        DWORD rop;
        COLORREF expect;
    } ops[] = {
        {SRCCOPY, RGB(0x0F, 0x33, 0xF0)},
        {SRCAND, RGB(0x0F & 0x55, 0x33 & 0x55, 0xF0 & 0x55)},
        {SRCINVERT, RGB(0x0F ^ 0x55, 0x33 ^ 0x55, 0xF0 ^ 0x55)},
        {SRCPAINT, RGB(0x0F | 0x55, 0x33 | 0x55, 0xF0 | 0x55)},
    };
    for (const auto& op : ops) {
        SetPixel(dst.dc, 0, 0, RGB(0x55, 0x55, 0x55));
        EXPECT_TRUE(BitBlt(dst.dc, 0, 0, 1, 1, src.dc, 0, 0, op.rop));
        EXPECT_EQ(GetPixel(dst.dc, 0, 0), op.expect) << std::hex << op.rop;
    }
    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    SelectObject(dst.dc, reinterpret_cast<HGDIOBJ>(brush));
    EXPECT_TRUE(BitBlt(dst.dc, 0, 0, 1, 1, nullptr, 0, 0, PATCOPY));
    EXPECT_EQ(GetPixel(dst.dc, 0, 0), RGB(1, 2, 3));
    SelectObject(dst.dc, GetStockObject(WHITE_BRUSH));
    DeleteObject(reinterpret_cast<HGDIOBJ>(brush));
    EXPECT_FALSE(BitBlt(dst.dc, 0, 0, 1, 1, src.dc, 0, 0, 0x00BB0226)) << "an operation the layer does not know fails";
}

TEST(Blits, MonochromeTakesTheBackgroundColourAsWhiteAndGivesBackTextAndBackground)
{
    Dc colour(2, 1, false);
    Dc mono(2, 1, true);
    SetPixel(colour.dc, 0, 0, RGB(192, 192, 192));
    SetPixel(colour.dc, 1, 0, RGB(10, 20, 30));
    SetBkColor(colour.dc, RGB(192, 192, 192));
    BitBlt(mono.dc, 0, 0, 2, 1, colour.dc, 0, 0, SRCCOPY);
    EXPECT_EQ(GetPixel(mono.dc, 0, 0), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(mono.dc, 1, 0), RGB(0, 0, 0));
    Dc back(2, 1, false);
    SetTextColor(back.dc, RGB(200, 0, 0));
    SetBkColor(back.dc, RGB(0, 0, 200));
    BitBlt(back.dc, 0, 0, 2, 1, mono.dc, 0, 0, SRCCOPY);
    EXPECT_EQ(GetPixel(back.dc, 0, 0), RGB(0, 0, 200));
    EXPECT_EQ(GetPixel(back.dc, 1, 0), RGB(200, 0, 0));
}

TEST(Blits, EdgesHaveTwoRingsLitFromTheTopLeft)
{
    Dc d(10, 10, false);
    RECT r{0, 0, 10, 10};
    ASSERT_TRUE(DrawEdge(d.dc, &r, EDGE_RAISED, BF_RECT | BF_ADJUST));
    EXPECT_EQ(r.left, 2);
    EXPECT_EQ(r.bottom, 8);
    EXPECT_EQ(GetPixel(d.dc, 0, 5), GetSysColor(COLOR_3DLIGHT));
    EXPECT_EQ(GetPixel(d.dc, 1, 5), GetSysColor(COLOR_3DHILIGHT));
    EXPECT_EQ(GetPixel(d.dc, 9, 5), GetSysColor(COLOR_3DDKSHADOW));
    EXPECT_EQ(GetPixel(d.dc, 8, 5), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(GetPixel(d.dc, 5, 5), RGB(255, 255, 255)) << "the middle is left alone";
    RECT s{0, 0, 10, 10};
    DrawEdge(d.dc, &s, EDGE_SUNKEN, BF_RECT | BF_SOFT | BF_MIDDLE);
    EXPECT_EQ(s.left, 0) << "without BF_ADJUST the rectangle stays";
    EXPECT_EQ(GetPixel(d.dc, 5, 0), GetSysColor(COLOR_3DDKSHADOW));
    EXPECT_EQ(GetPixel(d.dc, 5, 1), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(GetPixel(d.dc, 5, 9), GetSysColor(COLOR_3DHILIGHT));
    EXPECT_EQ(GetPixel(d.dc, 5, 5), GetSysColor(COLOR_3DFACE));
    RECT top{0, 0, 10, 10};
    DrawEdge(d.dc, &top, BDR_RAISEDINNER, BF_TOP | BF_ADJUST);
    EXPECT_EQ(top.top, 1);
    EXPECT_EQ(top.left, 0);
}
