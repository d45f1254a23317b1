// Device contexts on surfaces: what is drawn stays in the surface, and a surface context keeps its surface.
#include <gtest/gtest.h>

#include "platform/gdi/Gdi.h"

namespace {
TEST(Surface, DrawingThroughAContextLandsInItsSurfaceAndOutlivesTheContext)
{
    auto surface = platform::CreateSurface(8, 4);
    EXPECT_EQ(platform::SurfacePixel(*surface, 0, 0), RGB(255, 255, 255));
    HDC dc = platform::CreateSurfaceDC(surface);
    ASSERT_NE(dc, nullptr);
    HBRUSH red = CreateSolidBrush(RGB(200, 0, 0));
    const RECT rc{2, 1, 4, 3};
    EXPECT_EQ(FillRect(dc, &rc, red), 1);
    SetBkMode(dc, TRANSPARENT);
    EXPECT_TRUE(TextOutA(dc, 0, 0, "ab", 2));
    EXPECT_TRUE(DeleteDC(dc));
    DeleteObject(reinterpret_cast<HGDIOBJ>(red));

    EXPECT_EQ(platform::SurfacePixel(*surface, 2, 1), RGB(200, 0, 0));
    EXPECT_EQ(platform::SurfacePixel(*surface, 4, 3), RGB(255, 255, 255));
    EXPECT_EQ(platform::SurfacePixel(*surface, 8, 0), CLR_INVALID);
    EXPECT_EQ(platform::SurfaceText(*surface), "ab");
    platform::ClearSurfaceText(*surface);
    EXPECT_EQ(platform::SurfaceText(*surface), "");
}

TEST(Surface, ABitmapCannotReplaceASurfaceContextsSurfaceButCanAMemoryContexts)
{
    auto surface = platform::CreateSurface(2, 2);
    HDC fixed = platform::CreateSurfaceDC(surface);
    HDC memory = CreateCompatibleDC(fixed);
    HBITMAP bitmap = CreateCompatibleBitmap(fixed, 2, 2);
    EXPECT_EQ(SelectObject(fixed, bitmap), nullptr);
    EXPECT_NE(SelectObject(memory, bitmap), nullptr);
    // A bitmap made for a surface context is in colour, so it keeps a colour copied into it.
    SetPixel(memory, 1, 1, RGB(1, 2, 3));
    EXPECT_TRUE(BitBlt(fixed, 0, 0, 2, 2, memory, 0, 0, SRCCOPY));
    EXPECT_EQ(platform::SurfacePixel(*surface, 1, 1), RGB(1, 2, 3));
    DeleteDC(memory);
    DeleteDC(fixed);
    DeleteObject(bitmap);
    EXPECT_EQ(platform::CreateSurfaceDC(nullptr), nullptr);
}
}
