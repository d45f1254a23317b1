// Go to position: command 23002 and a double click on the time text open the
// position dialog on the recording, its enabler, OK and Cancel, and what happens
// to a recording, a playback and the file while the dialog is open.
#include "tests/recorder/CommandsFixture.h"
#include "tests/recorder/PlaybackFixture.h"

#include "controls/PositionDialog.h"
#include "platform/kernel/LocalTime.h"

namespace {
using D = TPositionDialog;

// 10 s of 8 kHz 16-bit stereo; segment 1 recorded from kStartTime, segment 2 from 8 s an hour later.
constexpr DWORD kSecond = 32000;
constexpr DWORD kLength = 10 * kSecond;

class GoToPosition : public Commands {
protected:
    std::string Recording(const char* name, bool timed)
    {
        const std::string path = dir.file(name);
        WritePcmWave(path, MakePcmFormat(2, 8000, 16), CountedPcm(kLength / 4));
        if (timed) {
            WaveFile f(path.c_str(), nullptr, MMIO_READWRITE);
            EXPECT_TRUE(f.open());
            f.AddMarker(0, kStartTime);
            f.AddMarker(8 * kSecond, kStartTime + 3600);
            EXPECT_TRUE(f.close());
        }
        return path;
    }
    // The dialog's answer: run the user's steps, then OK or Cancel; counts the showings.
    void Answer(std::function<void(HWND)> steps, int button)
    {
        hl::AnswerDialog(D::kTemplate, [this, steps, button](HWND dlg) {
            ++shown;
            steps(dlg);
            hl::Click(GetDlgItem(dlg, button));
        });
    }
    static void Step(HWND dlg, int upDown, bool up) { hl::Step(GetDlgItem(dlg, upDown), up); }
    void DoubleClickOn(int id)
    {
        RECT r{};
        HWND control = GetDlgItem(dialog->GetHandle(), id);
        GetWindowRect(control, &r);
        POINT centre{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        ScreenToClient(dialog->GetHandle(), &centre);
        hl::ClickAt(dialog->GetHandle(), centre, true);
    }
    DWORD At() const { return dialog->GetCurrentFile()->GetPosition(); }
    std::string TimeText() const { return hl::Text(GetDlgItem(dialog->GetHandle(), 155)); }

    int shown = 0;
};
}

TEST_F(GoToPosition, OpensOnATimedRecordingOnlyAndSeeksOnOk)
{
    OpenWithMenu();
    const auto none = [](HWND) {};
    EXPECT_FALSE(Ask(23002).Enabled) << "no file";
    Command(24331);
    EXPECT_FALSE(Ask(23002).Enabled) << "no data";
    ASSERT_TRUE(dialog->openfile(Recording("untimed.wav", false).c_str(), -1));
    EXPECT_FALSE(Ask(23002).Enabled) << "no time at the start";
    // This answer waits through the refusals for the first dialog that shows.
    Answer(none, IDOK);
    Command(23002);
    DoubleClickOn(155);
    EXPECT_EQ(shown, 0);

    ASSERT_TRUE(dialog->openfile(Recording("timed.wav", true).c_str(), -1));
    EXPECT_TRUE(Ask(23002).Enabled);
    dialog->position(2 * kSecond, true);
    Command(23002);
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(At(), 2 * kSecond) << "OK without a change stays";

    // The next segment: the file, the time text and the slider go there.
    Answer([](HWND dlg) {
        EXPECT_EQ(hl::Text(GetDlgItem(dlg, D::kSegment)), "1 of 2");
        Step(dlg, D::kSegmentUpDown, true);
    }, IDOK);
    Command(23002);
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(At(), 8 * kSecond);
    EXPECT_EQ(TimeText(), platform::CtimeText(kStartTime + 3600));
    EXPECT_EQ(SendMessage(GetDlgItem(dialog->GetHandle(), 158), TBM_GETPOS, 0, 0), 800);

    // Cancel leaves the position.
    Answer([](HWND dlg) { Step(dlg, D::kSegmentUpDown, false); }, IDCANCEL);
    Command(23002);
    EXPECT_EQ(shown, 3);
    EXPECT_EQ(At(), 8 * kSecond);

    // A double click on the time text opens it too; one beside it does not.
    Answer([](HWND dlg) { Step(dlg, D::kSegmentUpDown, false); }, IDOK);
    DoubleClickOn(155);
    EXPECT_EQ(shown, 4);
    EXPECT_EQ(At(), 0u);
    Answer(none, IDCANCEL);
    DoubleClickOn(156);
    DoubleClickOn(169);
    EXPECT_EQ(shown, 4);
    DoubleClickOn(155);
    EXPECT_EQ(shown, 5);
}

TEST_F(GoToPosition, WhilePlayingPlaybackGoesOnFromTheChosenPlace)
{
    OpenWithMenu();
    ASSERT_TRUE(dialog->openfile(Recording("timed.wav", true).c_str(), -1));
    dialog->position(0, true);
    Command(151);
    ASSERT_TRUE(dialog->IsOutputOpen());
    script::FinishOutputBuffer();
    hl::RunUntilIdle();
    script::TakePlayedBytes();
    Answer([this](HWND dlg) {
        EXPECT_FALSE(dialog->IsOutputOpen()) << "stopped while the dialog moves the file";
        Step(dlg, D::kSegmentUpDown, true);
    }, IDOK);
    Command(23002);
    ASSERT_EQ(shown, 1);
    ASSERT_TRUE(dialog->IsOutputOpen());
    EXPECT_EQ(dialog->GetPlayPosition(), 8 * kSecond);
    script::FinishOutputBuffer();
    hl::RunUntilIdle();
    const std::vector<std::uint8_t> played = script::TakePlayedBytes();
    ASSERT_FALSE(played.empty());
    const std::vector<std::uint8_t> expected = CountedPcm(static_cast<std::uint32_t>(played.size() / 4), 8 * kSecond / 4);
    EXPECT_EQ(played, expected);
}

TEST_F(GoToPosition, WhileRecordingTheTakeStopsFirstAndKeepsEverySample)
{
    OpenWithMenu();
    ClickRecord();
    Feed(10, true);
    ASSERT_TRUE(dialog->IsRecording());
    ASSERT_TRUE(Ask(23002).Enabled);
    const std::string path = CurrentName();
    Answer([this](HWND dlg) {
        EXPECT_FALSE(dialog->IsInputOpen()) << "the dialog moves the position the recording writes at";
        Step(dlg, D::kSecondUpDown, false);
    }, IDOK);
    Command(23002);
    ASSERT_EQ(shown, 1);
    EXPECT_FALSE(dialog->IsInputOpen());
    EXPECT_EQ(At(), dialog->GetCurrentFile()->GetLength() - BufferBytes() * 5);
    EXPECT_EQ(SoxSamples(path), fed);
}

TEST_F(GoToPosition, WhatWouldCloseTheFileWaitsUntilTheDialogIsClosed)
{
    OpenWithMenu();
    ASSERT_TRUE(dialog->openfile(Recording("timed.wav", true).c_str(), -1));
    // Another program's stop-and-save arrives while the user chooses.
    Answer([this](HWND dlg) {
        PostMessage(dialog->GetHandle(), UM_STOP_AND_SAVE, 0, 0);
        hl::RunUntilIdle();
        EXPECT_NE(dialog->GetCurrentFile(), nullptr);
        Step(dlg, D::kSegmentUpDown, true);
    }, IDOK);
    Command(23002);
    ASSERT_EQ(shown, 1);
    EXPECT_EQ(dialog->GetCurrentFile(), nullptr) << "saved and closed after the dialog";
}
