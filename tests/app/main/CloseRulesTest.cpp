// The close rules of the application and frame: hiding behind a tray icon that
// is really shown, closing without one, the save question answered each way,
// a refused exit, and the end of the session.
#include "tests/app/main/ShellFixture.h"

#include "platform/user/RegisteredMessages.h"
#include "platform/wave/WavReader.h"

namespace shelltest {
namespace {
class CloseRules : public ShellTest {};

TEST_F(CloseRules, AShownTrayIconTakesTheCloseBoxAndTheRecordingGoesOn)
{
    Start(true, true);
    ASSERT_TRUE(Frame()->TrayShown());
    Record(3);
    Close();
    ASSERT_TRUE(FrameAlive());
    EXPECT_FALSE(IsWindowVisible(FrameHandle()));
    EXPECT_TRUE(Main()->IsRecording()) << "hiding does not stop";
    EXPECT_TRUE(SettingsSaved()) << "every close request saves the settings";

    // Minimising hides as well; the tray's Open window brings it back.
    ShowWindow(FrameHandle(), SW_SHOWNORMAL);
    SendMessage(FrameHandle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_FALSE(IsWindowVisible(FrameHandle()));
    SendMessage(FrameHandle(), WM_COMMAND, kTrayOpenWindow, 0);
    EXPECT_TRUE(IsWindowVisible(FrameHandle()));

    // Exit from the tray menu ends the program even with the icon on; the take was named already.
    Main()->GetCurrentFile()->SetTempName(false);
    hl::AnswerPopupMenu(kTrayExit);
    hl::ClickTrayIcon(FrameHandle(), kTrayIconId, WM_RBUTTONUP);
    EXPECT_FALSE(FrameAlive());
    EXPECT_TRUE(hl::MessageBoxes().empty());
}

TEST_F(CloseRules, WithoutANotificationAreaNothingHidesTheWindow)
{
    Start(true, false);
    EXPECT_FALSE(Frame()->TrayShown());
    SendMessage(FrameHandle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(IsWindowVisible(FrameHandle())) << "minimised, not hidden: the taskbar still reaches it";
    EXPECT_TRUE(IsIconic(FrameHandle()));
    Close();
    EXPECT_FALSE(FrameAlive()) << "with no icon to come back by, the close box closes";
}

// A notification area that appears later is announced by "TaskbarCreated": the frame adds its
// icon then, with its tip, and from then on the close box hides the window behind it.
TEST_F(CloseRules, ANotificationAreaThatAppearsLaterGetsTheIcon)
{
    Start(true, false);
    ASSERT_FALSE(Frame()->TrayShown());
    hl::SetTrayHost(true);
    SendMessage(FrameHandle(), RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    ASSERT_TRUE(Frame()->TrayShown());
    const auto shown = hl::ShownTrayIcon(FrameHandle(), kTrayIconId);
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->tip, "Tapvox");
    EXPECT_NE(shown->icon, nullptr);
    // A tray that comes back after it went holds no icons: announced again, the frame adds its own again.
    hl::SetTrayHost(false);
    hl::SetTrayHost(true);
    SendMessage(FrameHandle(), RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_TRUE(hl::ShownTrayIcon(FrameHandle(), kTrayIconId));
    Close();
    EXPECT_TRUE(FrameAlive());
    EXPECT_FALSE(IsWindowVisible(FrameHandle()));
}

TEST_F(CloseRules, MinimiseAtStartHidesOnlyBehindAShownIcon)
{
    StartOptions.MinimiseAtStart = true;
    Start(true, true);
    ASSERT_TRUE(FrameAlive());
    EXPECT_FALSE(IsWindowVisible(FrameHandle()));
    app.reset();
    hl::Reset();
    platform::InstallBackend(&backend);
    platform::ClearResources();
    resources::RegisterAll();
    StartOptions.MinimiseAtStart = true;
    Start(false, true);
    EXPECT_TRUE(IsIconic(FrameHandle()));
    EXPECT_TRUE(IsWindowVisible(FrameHandle()));
}

TEST_F(CloseRules, TheSaveQuestionAnsweredYesNoAndCancel)
{
    Start(false, false);
    Record(2);
    // Cancel: the program stays, and so does the recording under its generated name.
    const std::string temp = Main()->GetCurrentFile()->GetName();
    hl::AnswerMessageBox(IDCANCEL);
    Close();
    ASSERT_TRUE(FrameAlive());
    ASSERT_NE(Main()->GetCurrentFile(), nullptr);
    EXPECT_TRUE(platform::NameExists(temp));

    // Yes and a name: saved there, and the program ends.
    const std::string chosen = folder + "/kept.wav";
    hl::AnswerMessageBox(IDYES);
    hl::AnswerFileDialog({chosen, false});
    Close();
    EXPECT_FALSE(FrameAlive());
    EXPECT_FALSE(platform::NameExists(temp));
    platform::wave::WavReader reader;
    ASSERT_TRUE(reader.Open(chosen)) << chosen;
    EXPECT_EQ(reader.DataBytes(), fedBytes);
}

// Exit with a take: Yes, then Cancel in the save dialog returns to the program with the take
// open, and the exit is forgotten; the next Exit asks again.
TEST_F(CloseRules, ExitYesThenCancelInSaveAsReturnsToTheProgram)
{
    Start(false, false);
    Record(2);
    const std::string temp = Main()->GetCurrentFile()->GetName();
    hl::AnswerMessageBox(IDYES);
    hl::AnswerFileDialog({std::nullopt, false});
    SendMessage(FrameHandle(), WM_COMMAND, 24310, 0);
    hl::RunUntilIdle();
    ASSERT_TRUE(FrameAlive()) << "Cancel in Save As quit the program";
    EXPECT_FALSE(Frame()->ExitRequested());
    ASSERT_NE(Main()->GetCurrentFile(), nullptr);
    EXPECT_EQ(Main()->GetCurrentFile()->GetName(), temp);
    EXPECT_TRUE(Main()->GetCurrentFile()->HasTempName()) << "still to be named";
    EXPECT_EQ(hl::FileDialogRequests().size(), 1u);

    const std::string chosen = folder + "/kept.wav";
    hl::AnswerMessageBox(IDYES);
    hl::AnswerFileDialog({chosen, false});
    SendMessage(FrameHandle(), WM_COMMAND, 24310, 0);
    hl::RunUntilIdle();
    EXPECT_FALSE(FrameAlive());
    EXPECT_FALSE(platform::NameExists(temp)) << "no temporary take is left behind";
    platform::wave::WavReader reader;
    ASSERT_TRUE(reader.Open(chosen)) << chosen;
    EXPECT_EQ(reader.DataBytes(), fedBytes);
}

TEST_F(CloseRules, NoDeletesTheRecordingAndCloses)
{
    Start(false, false);
    Record(2);
    const std::string temp = Main()->GetCurrentFile()->GetName();
    hl::AnswerMessageBox(IDNO);
    Close();
    EXPECT_FALSE(FrameAlive());
    EXPECT_FALSE(platform::NameExists(temp));
}

TEST_F(CloseRules, ACancelledExitIsForgottenSoTheNextCloseHidesAgain)
{
    Start(true, true);
    Record(2);
    hl::AnswerMessageBox(IDCANCEL);
    SendMessage(FrameHandle(), WM_COMMAND, kTrayExit, 0);
    hl::RunUntilIdle();
    ASSERT_TRUE(FrameAlive());
    EXPECT_FALSE(Frame()->ExitRequested());
    const std::size_t asked = hl::MessageBoxes().size();
    Close();
    ASSERT_TRUE(FrameAlive());
    EXPECT_FALSE(IsWindowVisible(FrameHandle())) << "hidden, not asked again";
    EXPECT_EQ(hl::MessageBoxes().size(), asked);
}

TEST_F(CloseRules, TheSessionsEndKeepsTheRecordingSavesAndAsksNothing)
{
    Start(true, true);
    Record(4);
    const std::string temp = Main()->GetCurrentFile()->GetName();
    PostMessage(FrameHandle(), WM_ENDSESSION, TRUE, 0);
    hl::RunUntilIdle();
    EXPECT_FALSE(FrameAlive()) << "the tray icon does not hold the end of the session";
    EXPECT_TRUE(hl::MessageBoxes().empty());
    EXPECT_TRUE(SettingsSaved());
    EXPECT_FALSE(platform::NameExists(temp)) << "moved to the recording folder under the pattern's name";
    const std::vector<std::string> names = testsupport::FolderNames(folder);
    ASSERT_EQ(names.size(), 1u);
    platform::wave::WavReader reader;
    ASSERT_TRUE(reader.Open(folder + "/" + names[0]));
    EXPECT_EQ(reader.DataBytes(), fedBytes);
    if (testsupport::HaveTool("sox")) {
        int status = -1;
        testsupport::RunCapture("sox '" + folder + "/" + names[0] + "' -n stat 2>&1", &status);
        EXPECT_EQ(status, 0);
    }
}

TEST_F(CloseRules, AQueryOfTheSessionsEndSetsTheExitRequest)
{
    Start(true, true);
    EXPECT_EQ(SendMessage(FrameHandle(), WM_QUERYENDSESSION, 0, 0), TRUE);
    EXPECT_TRUE(Frame()->ExitRequested());
    Close();
    EXPECT_FALSE(FrameAlive());
}
}
}
