// The main window object: its tooltips and keys, the command-line file and the
// quit timer of switch R, and the trace lines of its start and end.
#include "tests/recorder/RecorderFixture.h"

#include "owl/Application.h"
#include "owl/Tooltip.h"
#include "platform/user/Keyboard.h"
#include "recorder/PrivateMessages.h"

namespace {
// An application that made the tooltip control the main window's buttons share.
class TipApplication : public OWL::TApplication {
public:
    TipApplication() : OWL::TApplication("Tapvox") {}
    OWL::TTooltip* GetTooltip() const override { return tips; }
    OWL::TTooltip* tips = nullptr;
};

using MainWindow = RecorderTest;
}

TEST_F(MainWindow, TheTransportButtonsGetTheirTooltipsFromTheApplication)
{
    TipApplication app;
    app.tips = new OWL::TTooltip(nullptr);
    ASSERT_TRUE(app.tips->Create());
    Open();
    EXPECT_EQ(app.tips->GetToolCount(), 5);
    const std::pair<int, const char*> expected[] = {{150, "Record  (Alt+R)"},
                                                    {151, "Play  (Alt+P)"},
                                                    {154, "Stop  (Alt+S)"},
                                                    {152, "rewind  (left-cursor)"},
                                                    {153, "fast-forward  (right-cursor)"}};
    for (const auto& [id, text] : expected) {
        EXPECT_EQ(app.tips->GetToolText(GetDlgItem(dialog->GetHandle(), id)), text) << id;
    }
    delete frame;
    frame = nullptr;
    app.tips->Destroy();
    delete app.tips;
}

TEST_F(MainWindow, EnterAndEscapeLeaveItOpenAndAltKeysFocusTheSliders)
{
    // The application's loop offers each message to the window first.
    OWL::TApplication app("Tapvox");
    Open();
    const HWND w = dialog->GetHandle();
    SetFocus(GetDlgItem(w, 154));
    hl::Key(VK_RETURN);
    hl::Key(VK_ESCAPE);
    EXPECT_TRUE(IsWindow(w));
    EXPECT_TRUE(IsWindow(frame->GetHandle()));
    hl::Key('N', {VK_MENU});
    EXPECT_EQ(GetFocus(), GetDlgItem(w, 158));
    hl::Key('V', {VK_MENU});
    EXPECT_EQ(GetFocus(), GetDlgItem(w, 110));
}

TEST_F(MainWindow, SwitchRQuitsAfterTheCommandLineFileOnlyWhenItOpened)
{
    StartOptions.RunHidden = true;
    const std::string broken = folder + "/broken.wav";
    testsupport::WriteAll(broken, {'n', 'o', 't', ' ', 'a', 'u', 'd', 'i', 'o'});
    std::snprintf(CurrentFileName, sizeof CurrentFileName, "%s", broken.c_str());
    Open();
    EXPECT_EQ(dialog->GetCurrentFile(), nullptr);
    EXPECT_FALSE(KillTimer(dialog->GetHandle(), TIMER_QUIT));
    delete frame;
    frame = nullptr;

    const std::string good = folder + "/talk.wav";
    MakeSparseWave(good, 3200);
    std::snprintf(CurrentFileName, sizeof CurrentFileName, "%s", good.c_str());
    Open();
    ASSERT_NE(dialog->GetCurrentFile(), nullptr);
    EXPECT_EQ(CurrentName(), good);
    EXPECT_TRUE(KillTimer(dialog->GetHandle(), TIMER_QUIT));
}

TEST_F(MainWindow, StartAndEndAreTracedAndAnOpenInputIsClosedWithTheWindow)
{
    TAPVOX_REQUIRE_TOOL("sox");
    Open();
    EXPECT_NE(Log().find("program started"), std::string::npos);
    ClickRecord();
    Feed(3, true);
    const std::string name = CurrentName();
    // The window goes while recording: the device stops and what it gave back stays in the file.
    delete frame;
    frame = nullptr;
    EXPECT_FALSE(script::InputOpen());
    EXPECT_NE(Log().find("program closed"), std::string::npos);
    EXPECT_EQ(SoxSamples(name), fed);
}
