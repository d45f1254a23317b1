// The program's menu bar on the desktop: every key text shown beside its item without a word
// from the toolkit's accelerator parser, and a shortcut reaching the program once, through its own table.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/display/Display.h"
#include "tests/support/platform/display/DisplayTesting.h"
#include "platform/user/Headless.h"
#include "platform/user/Keyboard.h"
#include "platform/user/Menus.h"
#include "platform/user/Resources.h"
#include "resources/Resources.h"

namespace {
namespace dt = platform::display::testing;

constexpr int kTimer = 25009;  // "Enable &Timer\tCtrl+T"

struct Seen {
    std::vector<WPARAM> commands;
    int keyDowns = 0;
    bool released = false;
};
Seen g_seen;
HACCEL g_accelerators = nullptr;

// The frame translates its keys through the program's accelerator table, as the program's loop does.
LRESULT HostProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_COMMAND) {
        g_seen.commands.push_back(wp);
        return 0;
    }
    if (msg == WM_KEYDOWN && wp == 'T') {
        ++g_seen.keyDowns;
        MSG m{hwnd, msg, wp, lp, 0, {}};
        TranslateAcceleratorA(hwnd, g_accelerators, &m);
        return 0;
    }
    if (msg == WM_KEYUP && wp == 'T') {
        g_seen.released = true;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

class MenuBar : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!platform::display::Started()) {
            GTEST_SKIP() << "no private X server (Xvfb) could be started";
        }
        platform::headless::Reset();
        resources::RegisterAll();
        g_seen = Seen{};
        g_accelerators = LoadAcceleratorsA(nullptr, MAKEINTRESOURCEA(100));
        WNDCLASSA wc{};
        wc.lpfnWndProc = HostProc;
        wc.lpszClassName = "MenuHost";
        RegisterClassA(&wc);
    }
    void TearDown() override { platform::headless::Reset(); }

    // A frame with the program's menu 100, on the screen.
    static HWND MakeFrame()
    {
        HWND frame = CreateWindowExA(0, "MenuHost", "Menus", WS_OVERLAPPEDWINDOW, 40, 40, 400, 200, nullptr, nullptr, nullptr, nullptr);
        EXPECT_NE(frame, nullptr);
        EXPECT_TRUE(SetMenu(frame, LoadMenuA(nullptr, MAKEINTRESOURCEA(100))));
        ShowWindow(frame, SW_SHOW);
        EXPECT_TRUE(dt::RunUntil([frame] { return dt::Shown(frame); }));
        return frame;
    }
};

TEST_F(MenuBar, EveryKeyTextIsShownBesideItsItemAndTheToolkitParsesNone)
{
    dt::ToolkitLog log;
    HWND frame = MakeFrame();
    const std::vector<std::string> items = dt::MenuBarItemTexts(frame);
    const auto shown = [&items](const std::string& text) { return std::count(items.begin(), items.end(), text) == 1; };
    EXPECT_TRUE(shown("Open...\tCtrl+O")) << ::testing::PrintToString(items);
    EXPECT_TRUE(shown("Enable Timer\tCtrl+T"));
    EXPECT_TRUE(shown("Exit\tAlt+F4"));
    EXPECT_TRUE(shown("Toggle play\tSpace"));
    EXPECT_TRUE(shown("Forward 1 minute\tRight-cursor"));
    EXPECT_TRUE(shown("Back 1 comment\tCtrl+Shift+Left-cursor"));
    EXPECT_TRUE(shown("Preferences..."));
    // Every item the program gave a key text shows it, apart from its label.
    int withKeys = 0;
    for (const std::string& item : items) {
        withKeys += item.find('\t') != std::string::npos ? 1 : 0;
    }
    EXPECT_EQ(withKeys, 21) << ::testing::PrintToString(items);
    EXPECT_TRUE(log.Lines().empty()) << ::testing::PrintToString(log.Lines());
}

TEST_F(MenuBar, AShortcutShownInTheMenuReachesTheProgramOnceThroughItsOwnTable)
{
    HWND frame = MakeFrame();
    EXPECT_EQ(dt::ToolkitShortcuts(frame), 0);
    SetActiveWindow(frame);
    SetFocus(frame);
    ASSERT_TRUE(dt::RunUntil([frame] { return dt::HasNativeFocus(frame); }));
    dt::Key('T', {VK_CONTROL});
    // Input keeps its order: once the release is in, anything the press set off has come too.
    ASSERT_TRUE(dt::RunUntil([] { return g_seen.released; }));
    EXPECT_EQ(g_seen.keyDowns, 1);
    ASSERT_EQ(g_seen.commands.size(), 1u) << "the toolkit acted on the shortcut as well";
    EXPECT_EQ(LOWORD(static_cast<DWORD>(g_seen.commands.front())), kTimer);
    EXPECT_EQ(HIWORD(static_cast<DWORD>(g_seen.commands.front())), 1) << "from the accelerator table";
}
}
