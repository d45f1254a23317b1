// Seek steps: the unit the keys and LHMode choose, segments and comments with the
// one-second rule, steps while playing, UM_SEEK from other programs, the slider
// while recording, and sound-byte play.
#include "tests/recorder/PlaybackFixture.h"

#include "platform/user/Keyboard.h"

namespace {
using Bytes = std::vector<std::uint8_t>;

// 8-bit mono at 8 kHz: a byte is an eighth of a millisecond, a second 8000 bytes.
const WAVEFORMATEX kMono8 = MakePcmFormat(1, 8000, 8);
constexpr DWORD kSecond = 8000;

class Seek : public PlaybackTest {
protected:
    // 150 s whose bytes say their second.
    void OpenLong()
    {
        Bytes data(150 * kSecond);
        for (std::size_t i = 0; i < data.size(); ++i) {
            data[i] = static_cast<std::uint8_t>(i / kSecond);
        }
        OpenFile(WavWith(data, kMono8));
        rf = dynamic_cast<RecFile*>(dialog->GetCurrentFile());
        ASSERT_NE(rf, nullptr);
    }
    DWORD At() const { return dialog->GetCurrentFile()->GetPosition(); }
    DWORD StepFrom(DWORD from, bool forward, std::vector<UINT> keys = {})
    {
        dialog->position(from, true);
        for (UINT k : keys) {
            platform::SetKeyDown(static_cast<int>(k), true);
        }
        Command(forward ? 153 : 152);
        for (UINT k : keys) {
            platform::SetKeyDown(static_cast<int>(k), false);
        }
        return At();
    }
    RecFile* rf = nullptr;
};
}

TEST_F(Seek, PlainAndShiftStepsGoByMinuteAndSecondUnlessLhModeSwapsMinuteAndSegment)
{
    OpenLong();
    EXPECT_EQ(StepFrom(70 * kSecond, false), 10 * kSecond);
    EXPECT_EQ(StepFrom(70 * kSecond, true), 130 * kSecond);
    EXPECT_EQ(StepFrom(130 * kSecond, true), 150 * kSecond);
    EXPECT_EQ(StepFrom(30 * kSecond, false), 0u);
    EXPECT_EQ(StepFrom(70 * kSecond, false, {VK_SHIFT}), 69 * kSecond);
    EXPECT_EQ(StepFrom(70 * kSecond, true, {VK_SHIFT}), 71 * kSecond);

    rf->AddMarker(40 * kSecond, kStartTime);
    rf->AddMarker(100 * kSecond, kStartTime + 600);
    // Bit 1 clear: Ctrl steps by segment; set: Ctrl by minute and no key by segment.
    EXPECT_EQ(StepFrom(70 * kSecond, true, {VK_CONTROL}), 100 * kSecond);
    LHMode = 2;
    EXPECT_EQ(StepFrom(70 * kSecond, true, {VK_CONTROL}), 130 * kSecond);
    EXPECT_EQ(StepFrom(70 * kSecond, true), 100 * kSecond);
    EXPECT_EQ(StepFrom(70 * kSecond, false, {VK_SHIFT}), 69 * kSecond);
    // The menu's seconds and minutes, and the buttons' repeat messages.
    LHMode = 0;
    dialog->position(70 * kSecond, true);
    SendMessage(dialog->GetHandle(), UM_REPEAT_REWIND, 152, 0);
    EXPECT_EQ(At(), 10 * kSecond);
    SendMessage(dialog->GetHandle(), UM_REPEAT_FORWARD, 153, 0);
    EXPECT_EQ(At(), 70 * kSecond);
    SendMessage(dialog->GetHandle(), UM_REPEAT_FORWARD, 152, 0);
    EXPECT_EQ(At(), 70 * kSecond);
}

TEST_F(Seek, SegmentStepsBackLeaveTheCurrentSegmentOnlyWithinItsFirstSecond)
{
    OpenLong();
    rf->AddMarker(20 * kSecond, kStartTime);
    rf->AddMarker(40 * kSecond, kStartTime + 100);
    const std::vector<UINT> ctrl{VK_CONTROL};
    EXPECT_EQ(StepFrom(45 * kSecond, false, ctrl), 40 * kSecond);
    EXPECT_EQ(StepFrom(40 * kSecond + kSecond / 2, false, ctrl), 20 * kSecond);
    EXPECT_EQ(StepFrom(20 * kSecond + 100, false, ctrl), 0u);
    EXPECT_EQ(StepFrom(10 * kSecond, true, ctrl), 20 * kSecond);
    EXPECT_EQ(StepFrom(20 * kSecond, true, ctrl), 40 * kSecond);
    EXPECT_EQ(StepFrom(41 * kSecond, true, ctrl), 150 * kSecond);
}

TEST_F(Seek, CommentStepsGoToCommentStartsAndStopAtTheEnd)
{
    OpenLong();
    const std::vector<UINT> both{VK_CONTROL, VK_SHIFT};
    // Without comments: forward is the end, back the start.
    EXPECT_EQ(StepFrom(65 * kSecond, true, both), 150 * kSecond);
    EXPECT_EQ(StepFrom(65 * kSecond, false, both), 0u);
    rf->AddComment("first", 30 * kSecond, 35 * kSecond);
    rf->AddComment("second", 60 * kSecond, 70 * kSecond);
    EXPECT_EQ(StepFrom(10 * kSecond, true, both), 30 * kSecond);
    EXPECT_EQ(StepFrom(30 * kSecond, true, both), 60 * kSecond);
    EXPECT_EQ(StepFrom(65 * kSecond, true, both), 150 * kSecond);
    EXPECT_EQ(StepFrom(65 * kSecond, false, both), 60 * kSecond);
    // Within the first second of a comment, back goes on to the one before.
    EXPECT_EQ(StepFrom(60 * kSecond + kSecond / 2, false, both), 30 * kSecond);
    EXPECT_EQ(StepFrom(30 * kSecond + 10, false, both), 0u);
}

TEST_F(Seek, StepsWhilePlayingPlayOnFromTheNewPlace)
{
    OpenLong();
    rf->AddMarker(20 * kSecond, kStartTime);
    rf->AddMarker(40 * kSecond, kStartTime + 100);
    dialog->position(40 * kSecond, true);
    ClickPlay();
    PlayBuffers(3);
    script::TakePlayedBytes();
    // Heard: 0.6 s into the segment. Back goes to the segment before, and playing goes on there.
    platform::SetKeyDown(VK_CONTROL, true);
    Command(152);
    platform::SetKeyDown(VK_CONTROL, false);
    ASSERT_TRUE(dialog->IsOutputOpen());
    PlayBuffers(1);
    const Bytes played = script::TakePlayedBytes();
    ASSERT_FALSE(played.empty());
    EXPECT_EQ(played.front(), 20);
    EXPECT_EQ(dialog->GetPlayPosition(), 20 * kSecond + kSecond / 5);
    ClickStop();
}

TEST_F(Seek, SeekMessagesOfOtherProgramsAreSignedSecondsInsideTheRecording)
{
    OpenLong();
    auto seek = [&](DWORD from, WPARAM wParam, LPARAM lParam) {
        dialog->position(from, true);
        SendMessage(dialog->GetHandle(), UM_SEEK, wParam, lParam);
        return At();
    };
    EXPECT_EQ(seek(70 * kSecond, 33, -5), 65 * kSecond);
    // The 32 bits of -5 as another program's message carries them.
    EXPECT_EQ(seek(70 * kSecond, 33, static_cast<LPARAM>(0xFFFFFFFBu)), 65 * kSecond);
    EXPECT_EQ(seek(70 * kSecond, 0, 20), 90 * kSecond);
    // Seconds times the byte rate pass 32 bits: still inside the recording.
    EXPECT_EQ(seek(70 * kSecond, 33, 1000000), 150 * kSecond);
    EXPECT_EQ(seek(70 * kSecond, 33, static_cast<LPARAM>(0x80000000u)), 0u);
    EXPECT_EQ(seek(70 * kSecond, 33, 0x7FFFFFFF), 150 * kSecond);
    // Any other wParam is no seek.
    EXPECT_EQ(seek(70 * kSecond, 7, -5), 70 * kSecond);

    // 0 while playing: stopped and played again from what was heard.
    dialog->position(70 * kSecond, true);
    ClickPlay();
    PlayBuffers(2);
    script::TakePlayedBytes();
    SendMessage(dialog->GetHandle(), UM_SEEK, 33, 0);
    ASSERT_TRUE(dialog->IsOutputOpen());
    EXPECT_EQ(dialog->GetPlayPosition(), 70 * kSecond + 2 * kSecond / 5);
    PlayBuffers(1);
    EXPECT_EQ(script::TakePlayedBytes(),
              Bytes(kSecond / 5, static_cast<std::uint8_t>(70)));
    ClickStop();
}

TEST_F(Seek, TheSliderDoesNotMoveTheWritePositionOfARecording)
{
    FileAction = 1;
    FileSize = 1;
    Open();
    ClickRecord();
    Feed(10, true);
    HWND slider = GetDlgItem(dialog->GetHandle(), 158);
    const int before = static_cast<int>(SendMessage(slider, TBM_GETPOS, 0, 0));
    const DWORD writing = CurrentName().empty() ? 0 : dialog->GetCurrentFile()->GetPosition();
    hl::Drag(slider, 300);
    EXPECT_TRUE(dialog->IsRecording());
    EXPECT_EQ(dialog->GetCurrentFile()->GetPosition(), writing);
    EXPECT_EQ(SendMessage(slider, TBM_GETPOS, 0, 0), before);
    Feed(10, true);
    ClickStop();
    // Every buffer once, in order: nothing was written over at the slider's place.
    EXPECT_EQ(SoxSamples(CurrentName()), FedFrames(0, 20 * FramesPerBuffer()));
}

TEST_F(Seek, ADoubleClickOnPlayPlaysTheFirstSecondsOfEachSegment)
{
    const WAVEFORMATEX stereo = MakePcmFormat(2, 8000, 16);
    const Bytes data = CountedPcm(8000 * 15);
    OpenFile(WavWith(data, stereo));
    rf = dynamic_cast<RecFile*>(dialog->GetCurrentFile());
    rf->AddMarker(5 * 32000, kStartTime + 60);
    rf->AddMarker(10 * 32000, kStartTime + 120);
    SoundByte = 2;
    HWND play = GetDlgItem(dialog->GetHandle(), 151);
    SendMessage(dialog->GetHandle(), WM_COMMAND, MAKEWPARAM(151, BN_DOUBLECLICKED), reinterpret_cast<LPARAM>(play));
    ASSERT_TRUE(dialog->IsOutputOpen());
    Bytes expected;
    for (int segment : {0, 5, 10}) {
        const auto from = data.begin() + segment * 32000;
        expected.insert(expected.end(), from, from + 2 * 32000);
    }
    EXPECT_EQ(PlayToEnd(), expected);
    EXPECT_EQ(stopsPosted, 1);
    // The next Play plays everything again.
    dialog->position(0, true);
    ClickPlay();
    EXPECT_EQ(PlayToEnd(), data);
}
