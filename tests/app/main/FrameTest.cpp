// The frame's messages: the remote-control messages and their wParam, what it
// takes from other processes, the tray icon's clicks and menu, the system-menu
// item, the start-up actions, and the settings wiring (schedule, messages).
#include "tests/app/main/ShellFixture.h"

#include "settings/SettingsMessages.h"
#include "settings/TimerSchedule.h"
#include "settings/TimerSettings.h"

namespace shelltest {
namespace {
class FrameTest : public ShellTest {};

TEST_F(FrameTest, RemoteControlMessagesActOnlyWithWParam33)
{
    Start(false, false);
    Record(2);
    EXPECT_EQ(SendMessage(FrameHandle(), UM_STOP, 0, 0), 1);
    EXPECT_EQ(SendMessage(FrameHandle(), UM_STOP, 34, 0), 1);
    hl::RunUntilIdle();
    EXPECT_TRUE(Main()->IsRecording()) << "refused: nothing reaches the main window";
    EXPECT_EQ(CountToMain(UM_STOP), 0);
    EXPECT_EQ(SendMessage(FrameHandle(), UM_STOP, kRemoteControlWParam, 0), 0);
    hl::RunUntilIdle();
    EXPECT_FALSE(Main()->IsRecording());
    EXPECT_EQ(CountToMain(UM_STOP), 1);

    // Each of the five is passed on as it came, a negative lParam still negative.
    app->toMain.clear();
    for (UINT m : {UM_SEEK, UM_STOP_AND_SAVE, UM_STOP_AND_PLAY, UM_STOP_AND_RECORD}) {
        EXPECT_EQ(SendMessage(FrameHandle(), m, kRemoteControlWParam, -5), 0);
        EXPECT_EQ(SendMessage(FrameHandle(), m, 0, -5), 1);
    }
    hl::RunUntilIdle();
    ASSERT_GE(app->toMain.size(), 4u);
    const UINT expected[] = {UM_SEEK, UM_STOP_AND_SAVE, UM_STOP_AND_PLAY, UM_STOP_AND_RECORD};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(app->toMain[i].message, expected[i]);
        EXPECT_EQ(app->toMain[i].wParam, kRemoteControlWParam);
        EXPECT_EQ(app->toMain[i].lParam, -5);
    }
}

TEST_F(FrameTest, FromOutsideOnlyTheRemoteMessagesAndTheMenulessCommands)
{
    for (UINT m : {UM_STOP, UM_SEEK, UM_STOP_AND_SAVE, UM_STOP_AND_PLAY, UM_STOP_AND_RECORD}) {
        EXPECT_TRUE(SDIDecFrame::AcceptFromOutside(m, 33, 0));
        EXPECT_TRUE(SDIDecFrame::AcceptFromOutside(m, 0, -1)) << "the frame itself refuses other wParams";
    }
    for (UINT id : {18999u, 25016u, 25017u, 25018u, 24339u}) {
        EXPECT_TRUE(SDIDecFrame::AcceptFromOutside(WM_COMMAND, id, 0)) << id;
        EXPECT_FALSE(SDIDecFrame::AcceptFromOutside(WM_COMMAND, id, 0x1234)) << "a command never names a control";
        EXPECT_FALSE(SDIDecFrame::AcceptFromOutside(WM_COMMAND, MAKEWPARAM(id, 1), 0));
    }
    // Menu commands, controls, and everything a window must only hear from its own process.
    for (UINT id : {24310u, 150u, 154u, 25006u, kTrayExit}) {
        EXPECT_FALSE(SDIDecFrame::AcceptFromOutside(WM_COMMAND, id, 0)) << id;
    }
    for (UINT m : {static_cast<UINT>(WM_CLOSE), static_cast<UINT>(WM_DESTROY), static_cast<UINT>(WM_ENDSESSION),
                   static_cast<UINT>(WM_SYSCOMMAND), static_cast<UINT>(WM_TIMER), UM_TOGGLE_RECORD, UM_TRAY_NOTIFY,
                   UM_SETTINGS_CHANGED, static_cast<UINT>(WM_QUIT)}) {
        EXPECT_FALSE(SDIDecFrame::AcceptFromOutside(m, 33, 0)) << m;
    }
}

TEST_F(FrameTest, TrayClicksDoubleClicksAndTheMenuFollowingTheRecording)
{
    Start(true, true);
    ASSERT_TRUE(hl::ShownTrayIcon(FrameHandle(), kTrayIconId));

    // A single click is told apart once the double-click time has passed.
    hl::ClickTrayIcon(FrameHandle(), kTrayIconId, WM_LBUTTONUP);
    EXPECT_EQ(CountToMain(UM_TRAY_SINGLE_CLICK), 0);
    hl::Advance(GetDoubleClickTime() + 100);
    EXPECT_EQ(CountToMain(UM_TRAY_SINGLE_CLICK), 1);

    // A double click opens the hidden window once and counts as no single click.
    ShowWindow(FrameHandle(), SW_HIDE);
    for (UINT m : {WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}) {
        hl::ClickTrayIcon(FrameHandle(), kTrayIconId, m);
    }
    hl::Advance(GetDoubleClickTime() + 200);
    EXPECT_TRUE(IsWindowVisible(FrameHandle()));
    EXPECT_EQ(CountToMain(UM_TRAY_SINGLE_CLICK), 1);

    // The right button shows the five items, the first as default; the toggle's text follows the input.
    hl::ClickTrayIcon(FrameHandle(), kTrayIconId, WM_RBUTTONUP);
    ASSERT_EQ(backend.menus.size(), 1u);
    const std::vector<std::string> idle = {"&Open window", "&New file", "&Start recording", "&About...", "E&xit"};
    EXPECT_EQ(backend.menus[0], idle);
    EXPECT_EQ(backend.defaults[0], 0u);
    hl::AnswerPopupMenu(kTrayToggleRecording);
    hl::ClickTrayIcon(FrameHandle(), kTrayIconId, WM_RBUTTONUP);
    EXPECT_EQ(CountToMain(UM_TOGGLE_RECORD), 1);
    hl::Click(GetDlgItem(Main()->GetHandle(), 150));
    ASSERT_TRUE(Main()->IsInputOpen());
    hl::ClickTrayIcon(FrameHandle(), kTrayIconId, WM_RBUTTONUP);
    ASSERT_EQ(backend.menus.size(), 3u);
    EXPECT_EQ(backend.menus[2][2], "&Stop recording");
}

TEST_F(FrameTest, TheStateIconsAndTheSystemMenuItem)
{
    Start(true, true);
    HMENU system = GetSystemMenu(FrameHandle(), FALSE);
    char text[64] = "";
    GetMenuStringA(system, kSysMenuToggleRecord, text, sizeof text, MF_BYCOMMAND);
    EXPECT_STREQ(text, "&Start recording");
    EXPECT_EQ(hl::ShownTrayIcon(FrameHandle(), kTrayIconId)->icon, app->LoadIcon(kIconInputClosed));

    SendMessage(FrameHandle(), WM_SYSCOMMAND, kSysMenuToggleRecord, 0);
    EXPECT_EQ(CountToMain(UM_TOGGLE_RECORD), 0) << "posted, not yet run";
    hl::RunUntilIdle();
    EXPECT_EQ(CountToMain(UM_TOGGLE_RECORD), 1);

    hl::Click(GetDlgItem(Main()->GetHandle(), 150));
    SendMessage(FrameHandle(), UM_STATE_CHANGED, 0, 0);
    GetMenuStringA(system, kSysMenuToggleRecord, text, sizeof text, MF_BYCOMMAND);
    EXPECT_STREQ(text, "&Stop recording");
    EXPECT_EQ(hl::ShownTrayIcon(FrameHandle(), kTrayIconId)->icon, app->LoadIcon(kIconInputOpen));

    // Switching the setting off takes the icon away at once, and a hidden window comes back.
    ShowWindow(FrameHandle(), SW_HIDE);
    TrayIcon = false;
    Frame()->ApplySettings();
    EXPECT_FALSE(hl::ShownTrayIcon(FrameHandle(), kTrayIconId));
    EXPECT_TRUE(IsWindowVisible(FrameHandle()));
}

TEST_F(FrameTest, StartUpActionsListenPlayAndRunHidden)
{
    StartOptions.ListenAtStart = true;
    StartOptions.PlayAtStart = true;
    StartOptions.RunHidden = true;
    Start(false, false);
    EXPECT_EQ(CountToMain(UM_TOGGLE_RECORD), 1);
    EXPECT_EQ(CountToMain(UM_STOP_AND_PLAY), 0) << "play only when no listening was asked for";
    EXPECT_FALSE(IsWindowVisible(FrameHandle()));
}

// The General page's "Listen at start-up" does what switch L does, and wins over play as L does.
TEST_F(FrameTest, ListenOnStartAloneStartsListening)
{
    StartOptions.PlayAtStart = true;
    app = std::make_unique<NotingApp>();
    ListenOnStart = true;
    app->InitInstance();
    hl::RunUntilIdle();
    ListenOnStart = false;
    EXPECT_EQ(CountToMain(UM_TOGGLE_RECORD), 1);
    EXPECT_EQ(CountToMain(UM_STOP_AND_PLAY), 0);
    EXPECT_TRUE(Main()->IsInputOpen());
}

// The file named at start (a command-line argument, or the desktop entry's %f) shows in
// the caption the main window builds; without one the caption is the product's name.
TEST_F(FrameTest, TheCaptionShowsTheFileOpenedAtStart)
{
    const std::string talk = folder + "/talk.wav";
    std::vector<std::uint8_t> wave = {'R', 'I', 'F', 'F', 36 + 8, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ',
                                      16,  0,   0,   0,   1,      0, 1, 0, 0x40, 0x1F, 0, 0, 0x80, 0x3E, 0, 0,
                                      2,   0,   16,  0,   'd',    'a', 't', 'a', 8, 0, 0, 0, 1, 0, 2, 0, 3, 0, 4, 0};
    testsupport::WriteAll(talk, wave);
    std::snprintf(CurrentFileName, sizeof CurrentFileName, "%s", talk.c_str());
    Start(false, false);
    ASSERT_NE(Main()->GetCurrentFile(), nullptr);
    EXPECT_EQ(Frame()->GetWindowText(), "talk.wav Tapvox");

    app.reset();
    CurrentFileName[0] = 0;
    Start(false, false);
    EXPECT_EQ(Frame()->GetWindowText(), "Tapvox");
}

TEST_F(FrameTest, PlayAtStartAloneAndTheSavedPosition)
{
    StartOptions.PlayAtStart = true;
    SavedWindowX = 0;
    SavedWindowY = 0;
    app = std::make_unique<NotingApp>();
    SavedWindowX = 321;
    SavedWindowY = 0;
    app->InitInstance();
    hl::RunUntilIdle();
    EXPECT_EQ(CountToMain(UM_STOP_AND_PLAY), 1);
    const OWL::TRect r = Frame()->GetWindowRect();
    EXPECT_EQ(r.left, 321);
    EXPECT_NE(r.top, 0) << "a saved 0 leaves the default position";
    EXPECT_TRUE(IsWindowVisible(FrameHandle()));
    EXPECT_FALSE(GetWindowLongPtrA(FrameHandle(), GWL_STYLE) & WS_MAXIMIZEBOX);
}

TEST_F(FrameTest, TheSettingsMessagesAreTheApplicationsNumberedMessages)
{
    Start(false, false);
    ShowSettingsMessage(kMsgCantSaveLevel);
    ASSERT_EQ(hl::MessageBoxes().size(), 1u);
    EXPECT_EQ(hl::MessageBoxes()[0].caption, "Tapvox");
    EXPECT_EQ(hl::MessageBoxes()[0].text, SettingsMessageText(kMsgCantSaveLevel));
    EXPECT_EQ(hl::MessageBoxes()[0].owner, Main()->GetHandle());
}

TEST_F(FrameTest, ASettingsChangeKeepsTheSchedulesFirings)
{
    Start(false, false);
    TimerSchedule* before = Main()->GetSchedule();
    ASSERT_NE(before, nullptr);
    // A start edge now, fired once by the old schedule.
    const __time64_t now = _time64(nullptr);
    tm local{};
    const time_t t = static_cast<time_t>(now);
    localtime_r(&t, &local);
    TimerSettings.TimerEnable = 1;
    std::snprintf(TimerSettings.Schedule[0].TimeStart, sizeof TimerSettings.Schedule[0].TimeStart, "%02d%02d",
                  local.tm_hour, local.tm_min);
    TimerSettings.Schedule[0].TimeDay = 0x7F;
    Frame()->ApplySettings();
    TimerSchedule* first = Main()->GetSchedule();
    ASSERT_NE(first, before);
    ASSERT_EQ(first->CheckStart(now), 1);
    Frame()->ApplySettings();
    EXPECT_NE(Main()->GetSchedule(), first);
    EXPECT_EQ(Main()->GetSchedule()->CheckStart(now), 0) << "the rebuilt schedule remembers the firing";
}
}
}
