// Levels and sound activation: the first loud buffer written whole, one second of
// hang-over, a marker per burst with its wall-clock time, and the record modes.
#include "tests/recorder/RecorderFixture.h"

#include "recorder/PrivateMessages.h"

namespace {
class SoundActivation : public RecorderTest {
protected:
    // Runs the loop by hand and notes the private messages the main window posts itself.
    void FeedWatching(int count, bool loud, std::vector<UINT>* seen)
    {
        for (int i = 0; i < count; ++i) {
            std::vector<std::uint8_t> block(BufferBytes());
            for (std::uint32_t f = 0; f < FramesPerBuffer(); ++f) {
                CountedFrame(next + f, loud, &block[f * 4]);
            }
            ASSERT_EQ(script::FeedInput(block.data(), block.size()), block.size());
            fed.insert(fed.end(), block.begin(), block.end());
            next += FramesPerBuffer();
            platform::AdvanceClock(200);
            MSG msg;
            while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (msg.hwnd == dialog->GetHandle() && msg.message >= WM_USER && msg.message != UM_ENGINE_REPORT) {
                    seen->push_back(msg.message);
                    if (msg.message == UM_STOP_AND_PLAY && holdPlayback) {
                        continue;
                    }
                }
                platform::ProcessMessage(&msg);
            }
        }
    }
    // The take's playback is left out, so what the end of sound did to the file shows.
    bool holdPlayback = false;
    std::vector<std::uint8_t> Buffers(int first, int count) const
    {
        return FedFrames(first * FramesPerBuffer(), count * FramesPerBuffer());
    }
};

std::vector<std::uint8_t> Join(std::vector<std::uint8_t> a, const std::vector<std::uint8_t>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
}

TEST_F(SoundActivation, BurstsAreWrittenWithTheirHangOverAndAMarkerEachWithItsTime)
{
    TAPVOX_REQUIRE_TOOL("sox");
    SoundLevel = 20;
    Open();
    ClickRecord();
    Feed(3, false);  // buffers 0-2
    Feed(2, true);   // 3-4: sound starts on the first loud buffer
    Feed(6, false);  // 5-8 still written, 9 ends the sound
    EXPECT_FALSE(dialog->IsSoundOn());
    Feed(1, true);   // 11
    Feed(6, false);  // 12-15 written
    ClickStop();

    const auto expected = Join(Buffers(3, 6), Buffers(11, 5));
    EXPECT_EQ(SoxSamples(CurrentName()), expected);
    auto f = ReadWave(CurrentName());
    ASSERT_EQ(f->GetMarkerCount(), 2);
    EXPECT_EQ(f->GetMarkerPosition(0), 0u);
    EXPECT_EQ(f->GetMarkerPosition(1), 6 * BufferBytes());
    // A buffer is taken in when the next one arrives, 200 ms after it.
    EXPECT_EQ(f->GetMarkerTime(0), kStartTime + (200 * (3 + 2)) / 1000);
    EXPECT_EQ(f->GetMarkerTime(1), kStartTime + (200 * (11 + 2)) / 1000);
    EXPECT_EQ(hl::Text(GetDlgItem(dialog->GetHandle(), 156)), "2 of 2");
}

TEST_F(SoundActivation, ThresholdZeroRecordsEverythingAsOneSegment)
{
    TAPVOX_REQUIRE_TOOL("sox");
    Open();
    ClickRecord();
    Feed(2, false);
    Feed(1, true);
    Feed(8, false);
    ClickStop();
    EXPECT_EQ(SoxSamples(CurrentName()), fed);
    EXPECT_EQ(ReadWave(CurrentName())->GetMarkerCount(), 1);
}

TEST_F(SoundActivation, TheEndOfSoundUpdatesTheFileSoAnInterruptedRecordingIsReadable)
{
    TAPVOX_REQUIRE_TOOL("sox");
    SoundLevel = 20;
    Open();
    ClickRecord();
    Feed(2, true);
    Feed(7, false);
    // Still recording: the headers on disk already hold the burst.
    EXPECT_TRUE(dialog->IsRecording());
    EXPECT_EQ(SoxSamples(CurrentName()), Buffers(0, 6));
    ClickStop();
}

TEST_F(SoundActivation, RecordModeOneAsksForPlaybackAndLeavesTheFileAlone)
{
    SoundLevel = 20;
    RecordMode = 1;
    holdPlayback = true;
    Open();
    ClickRecord();
    std::vector<UINT> seen;
    FeedWatching(2, true, &seen);
    FeedWatching(7, false, &seen);
    EXPECT_EQ(std::count(seen.begin(), seen.end(), UM_STOP_AND_PLAY), 1);
    // No header refresh at the end of the take: the data size on disk is still 0.
    platform::wave::WavReader reader;
    ASSERT_TRUE(reader.Open(CurrentName()));
    EXPECT_EQ(reader.DataBytes(), 0u);
}

TEST_F(SoundActivation, RecordModeTwoStartsOneNewFileAfterTheSilence)
{
    TAPVOX_REQUIRE_TOOL("sox");
    SoundLevel = 20;
    RecordMode = 2;
    TalkOff = 3;
    Open();
    ClickRecord();
    const std::string first = CurrentName();
    std::vector<UINT> seen;
    // The fifteenth quiet buffer after the last loud one asks for the new file.
    FeedWatching(1, true, &seen);
    FeedWatching(16, false, &seen);
    EXPECT_EQ(std::count(seen.begin(), seen.end(), UM_NEXT_FILE_AFTER_SILENCE), 1);
    EXPECT_TRUE(dialog->IsRecording());
    EXPECT_EQ(CurrentName(), folder + "/take_2.wav");
    EXPECT_EQ(SoxSamples(first), Buffers(0, 5));
    ClickStop();
}

TEST_F(SoundActivation, PeakLevelsOfEightAndSixteenBitMonoAndStereo)
{
    Stereo = false;
    Resolution = false;
    Open();
    ClickRecord();
    const std::uint8_t full8[] = {0, 128, 128};
    EXPECT_EQ(dialog->PeakLevel(full8, 3), 127u);
    const std::uint8_t quiet8[] = {128, 128};
    EXPECT_EQ(dialog->PeakLevel(quiet8, 2), 1u);
    ClickStop();
    delete frame;
    frame = nullptr;

    Stereo = true;
    Resolution = true;
    SampleRate = 11025;
    CurrentFileName[0] = 0;  // else the new window opens the last file as a command-line file
    Open();
    ClickRecord();
    // A silent left channel and a loud right one: the level is the right channel's.
    const std::uint8_t frame16[] = {0x00, 0x00, 0x00, 0x7F, 0x00, 0x00, 0x00, 0x80};
    EXPECT_EQ(dialog->PeakLevel(frame16, 8), 0x80u);
    const std::uint8_t silent[8] = {};
    EXPECT_EQ(dialog->PeakLevel(silent, 8), 0u);
    Feed(2, true);
    EXPECT_EQ(hl::Text(GetDlgItem(dialog->GetHandle(), 114)), "50");
    ClickStop();
    EXPECT_EQ(hl::Text(GetDlgItem(dialog->GetHandle(), 114)), "");
}

TEST_F(SoundActivation, TheThresholdSliderSetsTheSoundLevel)
{
    SoundLevel = 30;
    Open();
    HWND slider = GetDlgItem(dialog->GetHandle(), 110);
    ASSERT_NE(slider, nullptr);
    EXPECT_EQ(hl::Text(GetDlgItem(dialog->GetHandle(), 113)), "30");
    hl::Drag(slider, 25);
    EXPECT_EQ(SoundLevel, 75);
    EXPECT_EQ(hl::Text(GetDlgItem(dialog->GetHandle(), 113)), "75");
}

namespace {
int g_notices = 0;
LRESULT ListenerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == UM_NOTIFY_EXTERNAL && wp == 1 && lp == 1) {
        ++g_notices;
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}
}

TEST_F(SoundActivation, AnOutsideWindowHearsWhenSoundEndsAndWhenAStopEndsIt)
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = ListenerProc;
    wc.lpszClassName = "TapvoxTestListener";
    RegisterClassA(&wc);
    StartOptions.NotifyWindow =
        CreateWindowExA(0, "TapvoxTestListener", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    g_notices = 0;
    SoundLevel = 20;
    Open();
    ClickRecord();
    Feed(1, true);
    Feed(7, false);
    EXPECT_EQ(g_notices, 1);
    // A stop in silence says nothing; a stop while sound is on does.
    ClickStop();
    EXPECT_EQ(g_notices, 1);
    ClickRecord();
    Feed(2, true);
    ClickStop();
    hl::RunUntilIdle();
    EXPECT_EQ(g_notices, 2);
}
