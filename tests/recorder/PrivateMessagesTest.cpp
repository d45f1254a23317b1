// The private messages of the main window, each with the parameters its senders
// use (the program's own 0, the frame's remote-control 33) and with others, the
// echo mode that plays each take back, and the quit timer of the file mode.
#include "tests/recorder/PlaybackFixture.h"

#include "owl/CommandEnabler.h"

namespace {
using Bytes = std::vector<std::uint8_t>;
const WAVEFORMATEX kStereo8k = MakePcmFormat(2, 8000, 16);

class PrivateMessages : public PlaybackTest {
protected:
    void Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
    {
        PostMessage(dialog->GetHandle(), message, wParam, lParam);
        hl::RunUntilIdle();
    }
    bool Enabled(UINT id)
    {
        // As the frame asks before it shows a menu.
        OWL::TCommandEnabler enabler(id);
        EXPECT_TRUE(dialog->EvCommandEnable(enabler));
        return enabler.Enabled;
    }
    std::size_t Count(const std::string& text) const
    {
        const std::string log = Log();
        std::size_t n = 0;
        for (std::size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) {
            ++n;
        }
        return n;
    }
};
}

TEST_F(PrivateMessages, StopActsForTheProgramAndTheRemoteOnlyAndNotWhenIdle)
{
    Open();
    ClickRecord();
    Send(UM_STOP, 5);
    EXPECT_TRUE(dialog->IsRecording());
    Send(UM_STOP, 0, 1);
    EXPECT_TRUE(dialog->IsRecording());
    Send(UM_STOP, 33);
    EXPECT_FALSE(dialog->IsRecording());
    const std::size_t stops = Count("stop  ");
    Send(UM_STOP);
    EXPECT_EQ(Count("stop  "), stops);
    ClickRecord();
    Send(UM_STOP);
    EXPECT_FALSE(dialog->IsRecording());
}

TEST_F(PrivateMessages, TheToggleMessagesAndTheirCommand)
{
    OpenFile(WavWith(CountedPcm(8000 * 2), kStereo8k));
    Send(UM_TOGGLE_PLAY);
    EXPECT_TRUE(dialog->IsOutputOpen());
    Send(UM_TOGGLE_PLAY, 0, 7);
    EXPECT_TRUE(dialog->IsOutputOpen());
    Send(UM_TOGGLE_PLAY);
    EXPECT_FALSE(dialog->IsOutputOpen());
    Command(25000);
    EXPECT_TRUE(dialog->IsOutputOpen());
    Command(25000);
    EXPECT_FALSE(dialog->IsOutputOpen());

    Send(UM_TOGGLE_RECORD, 1);
    EXPECT_FALSE(dialog->IsRecording());
    Send(UM_TOGGLE_RECORD);
    EXPECT_TRUE(dialog->IsRecording());
    Send(UM_TOGGLE_RECORD);
    EXPECT_FALSE(dialog->IsRecording());
}

TEST_F(PrivateMessages, StopAndSaveClosesTheRecordingUnderItsName)
{
    Open();
    ClickRecord();
    Feed(3, true);
    const std::string name = CurrentName();
    Send(UM_STOP_AND_SAVE, 2);
    EXPECT_TRUE(dialog->IsRecording());
    Send(UM_STOP_AND_SAVE, 33);
    EXPECT_FALSE(dialog->IsRecording());
    EXPECT_EQ(dialog->GetCurrentFile(), nullptr);
    EXPECT_EQ(SoxSamples(name), FedFrames(0, 3 * FramesPerBuffer()));

    // The command of the same name, enabled while a file is open, also clears the status texts.
    EXPECT_FALSE(Enabled(24339));
    ClickRecord();
    Feed(2, true);
    EXPECT_TRUE(Enabled(24339));
    Command(24339);
    EXPECT_EQ(dialog->GetCurrentFile(), nullptr);
    EXPECT_EQ(hl::Text(GetDlgItem(dialog->GetHandle(), 218)), "");
    EXPECT_EQ(hl::Text(GetDlgItem(dialog->GetHandle(), 180)), "");
    EXPECT_EQ(hl::Text(GetDlgItem(dialog->GetHandle(), 155)), "");
}

TEST_F(PrivateMessages, StopAndPlayPlaysTheTakeJustRecorded)
{
    Open();
    ClickRecord();
    Feed(4, true);
    Send(UM_STOP_AND_PLAY, 33, 1);
    EXPECT_TRUE(dialog->IsRecording());
    Send(UM_STOP_AND_PLAY);
    EXPECT_FALSE(dialog->IsRecording());
    ASSERT_TRUE(dialog->IsOutputOpen());
    EXPECT_EQ(PlayToEnd(), FedFrames(0, 4 * FramesPerBuffer()));
}

TEST_F(PrivateMessages, RecordAgainWaitsForTheRecordingAndAppendsOutsideEchoMode)
{
    Open();
    ClickRecord();
    Feed(2, true);
    Send(UM_STOP_AND_RECORD);
    EXPECT_TRUE(dialog->IsRecording());
    const std::size_t records = Count("record  ");
    ClickStop();
    const std::string name = CurrentName();
    Send(UM_STOP_AND_RECORD, 9);
    EXPECT_FALSE(dialog->IsRecording());
    Send(UM_STOP_AND_RECORD, 33);
    EXPECT_TRUE(dialog->IsRecording());
    EXPECT_EQ(Count("record  "), records + 1);
    Feed(2, true);
    ClickStop();
    EXPECT_EQ(CurrentName(), name);
    EXPECT_EQ(SoxSamples(name), FedFrames(0, 4 * FramesPerBuffer()));
}

TEST_F(PrivateMessages, EchoModeDeletesOnlyTheTakesItMade)
{
    RecordMode = 1;
    AutoName = false;
    SoundLevel = 20;
    Open();
    ClickRecord();
    const std::string take = CurrentName();
    ASSERT_TRUE(dialog->GetCurrentFile()->HasTempName());
    // Sound, then quiet past the hang-over: the take is played back, then deleted, and a new one records.
    Feed(2, true);
    Feed(7, false);
    ASSERT_TRUE(dialog->IsOutputOpen());
    const Bytes played = PlayToEnd();
    EXPECT_GE(played.size(), 2 * BufferBytes());
    EXPECT_EQ(played, FedFrames(0, static_cast<std::uint32_t>(played.size() / 4)));
    EXPECT_EQ(recordAgainPosted, 1);
    EXPECT_EQ(stopsPosted, 0);
    EXPECT_TRUE(dialog->IsRecording());
    // The new take may get the free name back; what was heard is gone from disk.
    EXPECT_TRUE(dialog->GetCurrentFile()->HasTempName());
    EXPECT_LT(testsupport::ReadAll(take).size(), played.size());
    ClickStop();

    // A recording the user opened to listen to is kept, and the next take goes elsewhere.
    const Bytes data = CountedPcm(8000);
    const std::string mine = WavWith(data, kStereo8k, "mine.wav");
    ASSERT_TRUE(dialog->openfile(mine.c_str(), -1));
    ClickPlay();
    PlayToEnd();
    EXPECT_TRUE(dialog->IsRecording());
    EXPECT_NE(CurrentName(), mine);
    EXPECT_EQ(SoxSamples(mine), data);
    // And another program's message does the same.
    ClickStop();
    ASSERT_TRUE(dialog->openfile(mine.c_str(), -1));
    Send(UM_STOP_AND_RECORD, 33);
    EXPECT_TRUE(dialog->IsRecording());
    EXPECT_EQ(SoxSamples(mine), data);
    ClickStop();
}

TEST_F(PrivateMessages, NextFileMessagesWithOtherParametersDoNothing)
{
    FileAction = 3;
    FileSize = 1;
    Open();
    ClickRecord();
    const std::string first = CurrentName();
    Send(UM_NEXT_FILE_AFTER_SILENCE, 0, 1);
    Send(UM_NEXT_FILE, 7);
    EXPECT_EQ(CurrentName(), first);
    EXPECT_TRUE(dialog->IsRecording());
    Send(UM_NEXT_FILE_AFTER_SILENCE);
    EXPECT_NE(CurrentName(), first);
    EXPECT_TRUE(dialog->IsRecording());
    ClickStop();
}

TEST_F(PrivateMessages, TheFileModeQuitsOneSecondAfterOpeningItsFile)
{
    const std::string path = WavWith(CountedPcm(800), kStereo8k);
    std::snprintf(CurrentFileName, sizeof CurrentFileName, "%s", path.c_str());
    StartOptions.RunHidden = true;
    Open();
    MSG msg;
    hl::Advance(900);
    EXPECT_FALSE(PeekMessage(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
    hl::Advance(200);
    EXPECT_TRUE(PeekMessage(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST_F(PrivateMessages, WithoutAFileTheFileModeDoesNotQuit)
{
    // A folder that cannot exist: its parent is a file.
    const std::string blocker = WavWith(CountedPcm(8), kStereo8k, "blocker");
    std::snprintf(CurrentFileName, sizeof CurrentFileName, "%s/none.wav", blocker.c_str());
    StartOptions.RunHidden = true;
    Open();
    MSG msg;
    EXPECT_EQ(dialog->GetCurrentFile(), nullptr);
    hl::Advance(3000);
    EXPECT_FALSE(PeekMessage(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
}
