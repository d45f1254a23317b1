// Global memory blocks refuse stale handles; clipboard data moves only while open; formats register once.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/user/Clipboard.h"

TEST(GlobalMemoryTest, BlocksLockUnlockResizeAndRefuseStaleHandles)
{
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 45000);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(GlobalSize(h), 45000u);
    auto* p = static_cast<unsigned char*>(GlobalLock(h));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p[44999], 0);
    p[0] = 42;
    EXPECT_EQ(GlobalReAlloc(h, 10, GMEM_MOVEABLE), nullptr) << "a locked block keeps its place";
    EXPECT_FALSE(GlobalUnlock(h));
    ASSERT_EQ(GlobalReAlloc(h, 100, GMEM_MOVEABLE | GMEM_ZEROINIT), h);
    p = static_cast<unsigned char*>(GlobalLock(h));
    EXPECT_EQ(p[0], 42);
    EXPECT_EQ(p[99], 0);
    GlobalUnlock(h);
    EXPECT_EQ(GlobalFree(h), nullptr);
    EXPECT_EQ(GlobalSize(h), 0u);
    EXPECT_EQ(GlobalLock(h), nullptr);
    EXPECT_EQ(GlobalFree(h), h);
}

TEST(ClipboardTest, DataGoesInAndOutOnlyWhileOpenAndFormatsRegisterOnce)
{
    platform::ResetClipboard();
    const UINT mp3 = RegisterClipboardFormatA("mp3");
    EXPECT_GE(mp3, 0xC000u);
    EXPECT_EQ(RegisterClipboardFormatA("MP3"), mp3);
    EXPECT_NE(RegisterClipboardFormatA("ogg"), mp3);
    EXPECT_EQ(RegisterClipboardFormatA(""), 0u);

    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, 4);
    std::memcpy(GlobalLock(block), "RIFF", 4);
    GlobalUnlock(block);
    EXPECT_EQ(SetClipboardData(CF_WAVE, block), nullptr) << "closed";
    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_FALSE(OpenClipboard(nullptr));
    EXPECT_TRUE(EmptyClipboard());
    EXPECT_EQ(SetClipboardData(CF_WAVE, block), block);
    EXPECT_TRUE(CloseClipboard());
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_WAVE));
    EXPECT_FALSE(IsClipboardFormatAvailable(mp3));
    EXPECT_EQ(GetClipboardData(CF_WAVE), nullptr) << "closed";
    ASSERT_TRUE(OpenClipboard(nullptr));
    HANDLE got = GetClipboardData(CF_WAVE);
    ASSERT_NE(got, nullptr);
    EXPECT_EQ(std::memcmp(GlobalLock(got), "RIFF", 4), 0);
    GlobalUnlock(got);
    EXPECT_TRUE(EmptyClipboard());
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_WAVE));
    EXPECT_EQ(GlobalSize(block), 0u) << "emptying frees the blocks the clipboard owned";
    CloseClipboard();
}
