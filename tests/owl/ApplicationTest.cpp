// The application loop: quit codes, a nested pump that leaves the quit, command routing, closing, accelerators.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "owl/Application.h"
#include "owl/FrameWindow.h"
#include "platform/kernel/Clock.h"
#include "platform/user/Headless.h"
#include "platform/user/Keyboard.h"

using namespace OWL;

namespace {
std::vector<std::string> g_log;
constexpr UINT UM_STOP = WM_USER + 79;

class TClient : public TWindow {
public:
    explicit TClient(TWindow* parent) : TWindow(parent) {}
    void SetupWindow() override
    {
        TWindow::SetupWindow();
        g_log.push_back("client setup");
        PostMessage(UM_STOP, 1, 0);
    }
    LRESULT EvStop(WPARAM w, LPARAM)
    {
        g_log.push_back("stop " + std::to_string(w));
        // A handler that lets pending messages run, as the engine does while stopping.
        GetApplication()->PumpWaitingMessages();
        g_log.push_back("stop done");
        return 0;
    }
    void CmRecord() { g_log.push_back("record"); }
    DECLARE_RESPONSE_TABLE(TClient)
};
DEFINE_RESPONSE_TABLE1(TClient, TWindow)
EV_MESSAGE(UM_STOP, EvStop),
EV_COMMAND(150, CmRecord),
END_RESPONSE_TABLE

class TTestApp : public TApplication {
public:
    TTestApp() : TApplication("Tapvox") {}
    void InitMainWindow() override
    {
        client = new TClient(nullptr);
        auto* frame = new TFrameWindow(nullptr, "Tapvox", client, true);
        SetMainWindow(frame);
    }
    bool CanClose() override
    {
        g_log.push_back("app can close");
        return allowClose;
    }
    void CmOptions() { g_log.push_back("options"); }
    TClient* client = nullptr;
    bool allowClose = true;
    DECLARE_RESPONSE_TABLE(TTestApp)
};
DEFINE_RESPONSE_TABLE1(TTestApp, TApplication)
EV_COMMAND(25006, CmOptions),
END_RESPONSE_TABLE

class Application : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::headless::Reset();
        platform::UseManualClock(1'700'000'000);
        g_log.clear();
    }
    void TearDown() override
    {
        platform::headless::Reset();
        platform::UseSystemClock();
    }
};
}

TEST_F(Application, QuitPostedToTheFrameEndsRunWithItsCode)
{
    TTestApp app;
    app.InitInstance();
    HWND frame = app.GetMainWindow()->GetHandle();
    ASSERT_TRUE(IsWindow(frame));
    EXPECT_TRUE(IsWindowVisible(frame));
    PostMessage(frame, UM_STOP + 1000, 0, 0);
    PostMessage(frame, WM_QUIT, 5, 0);
    EXPECT_EQ(app.MessageLoop(), 5);
    EXPECT_EQ(g_log, (std::vector<std::string>{"client setup", "stop 1", "stop done"}));
}

TEST_F(Application, PumpInsideAHandlerDispatchesWaitingMessagesButLeavesTheQuit)
{
    TTestApp app;
    app.InitInstance();
    HWND client = app.client->GetHandle();
    PostMessage(client, UM_STOP, 2, 0);
    PostQuitMessage(0);
    // The first stop (posted at set-up) pumps: it runs the second stop, but not the quit.
    EXPECT_EQ(app.MessageLoop(), 0);
    EXPECT_EQ(g_log, (std::vector<std::string>{"client setup", "stop 1", "stop 2", "stop done", "stop done"}));
}

TEST_F(Application, FrameRoutesUnhandledCommandsToClientThenApplication)
{
    TTestApp app;
    app.InitInstance();
    platform::headless::RunUntilIdle();
    g_log.clear();
    HWND frame = app.GetMainWindow()->GetHandle();
    SendMessage(frame, WM_COMMAND, MAKEWPARAM(150, 0), 0);
    SendMessage(frame, WM_COMMAND, MAKEWPARAM(25006, 1), 0);
    SendMessage(frame, WM_COMMAND, MAKEWPARAM(31337, 0), 0);
    EXPECT_EQ(g_log, (std::vector<std::string>{"record", "options"}));
}

TEST_F(Application, CloseOfTheMainWindowAsksTheApplicationAndQuitsWhenAllowed)
{
    TTestApp app;
    app.InitInstance();
    platform::headless::RunUntilIdle();
    g_log.clear();
    HWND frame = app.GetMainWindow()->GetHandle();
    app.allowClose = false;
    SendMessage(frame, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(frame));
    app.allowClose = true;
    PostMessage(frame, WM_CLOSE, 0, 0);
    EXPECT_EQ(app.MessageLoop(), 0);
    EXPECT_FALSE(IsWindow(frame));
    EXPECT_EQ(g_log, (std::vector<std::string>{"app can close", "app can close"}));
}

namespace {
class TMenuClient : public TWindow {
public:
    explicit TMenuClient(TWindow* parent) : TWindow(parent) {}
    void CmRecord() { g_log.push_back("record"); }
    void CeRecord(TCommandEnabler& ce)
    {
        ce.Enable(!recording);
        ce.SetText(recording ? "Recording" : "&Record\tAlt+R");
    }
    void CeTimer(TCommandEnabler& ce) { ce.SetCheck(TCommandEnabler::Checked); }
    bool recording = false;
    DECLARE_RESPONSE_TABLE(TMenuClient)
};
DEFINE_RESPONSE_TABLE1(TMenuClient, TWindow)
EV_COMMAND(150, CmRecord),
EV_COMMAND_ENABLE(150, CeRecord),
EV_COMMAND_ENABLE(25009, CeTimer),
END_RESPONSE_TABLE
}

TEST_F(Application, AcceleratorsBecomeCommandsBeforeDispatchAndEnablersUpdateTheMenu)
{
    platform::AddAccelerators(100, {{FVIRTKEY | FALT, 'R', 150}});
    platform::AddMenu(100, {{"&Control", 0, 0, {{"&Record\tAlt+R", 150, 0, {}}, {"Enable &Timer", 25009, 0, {}}}}});
    TTestApp app;
    auto* client = new TMenuClient(nullptr);
    auto* frame = new TFrameWindow(nullptr, "Tapvox", client);
    frame->Attr.AccelTable = 100;
    frame->Attr.Menu = 100;
    app.SetMainWindow(frame);
    ASSERT_TRUE(frame->Create());
    frame->ShowWindow(SW_SHOW);
    SetFocus(client->GetHandle());
    platform::headless::RunUntilIdle();
    g_log.clear();
    platform::headless::Key('R', {VK_MENU});
    EXPECT_EQ(g_log, (std::vector<std::string>{"record"}));

    HMENU popup = GetSubMenu(frame->GetMenu(), 0);
    client->recording = true;
    SendMessage(frame->GetHandle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), 0);
    EXPECT_TRUE(GetMenuState(popup, 150, MF_BYCOMMAND) & MF_GRAYED);
    char text[64];
    GetMenuStringA(popup, 150, text, sizeof text, MF_BYCOMMAND);
    EXPECT_STREQ(text, "Recording");
    EXPECT_TRUE(GetMenuState(popup, 25009, MF_BYCOMMAND) & MF_CHECKED);
    platform::ClearResources();
}
