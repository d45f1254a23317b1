// Playback through the scripted output: exactly the file's audio in order for WAV
// (PCM and compressed), MP3 and Ogg Vorbis, the start near the end, the ring of
// returned buffers, one end message, and what a stop leaves behind.
#include "tests/recorder/PlaybackFixture.h"

#include "settings/CodecDrivers.h"

namespace {
const WAVEFORMATEX kStereo8k = MakePcmFormat(2, 8000, 16);
constexpr DWORD kBlock = 6400;  // a fifth of a second of kStereo8k

using Bytes = std::vector<std::uint8_t>;

Bytes Tail(const Bytes& b, std::size_t from) { return Bytes(b.begin() + static_cast<std::ptrdiff_t>(from), b.end()); }

class Playback : public PlaybackTest {};
}

TEST_F(Playback, PcmPlaysEveryByteInOrderAndEndsWithOneStop)
{
    // 3.3 s: the last block is short.
    const Bytes data = CountedPcm(8000 * 33 / 10);
    OpenFile(WavWith(data, kStereo8k));
    ClickPlay();
    ASSERT_TRUE(dialog->IsOutputOpen());
    EXPECT_TRUE(dialog->IsPlaying());
    EXPECT_EQ(script::OutputQueued(), 5u);
    const WAVEFORMATEX out = script::OutputFormat();
    EXPECT_EQ(out.nSamplesPerSec, 8000u);
    EXPECT_EQ(out.nChannels, 2);
    EXPECT_EQ(PlayToEnd(), data);
    EXPECT_EQ(stopsPosted, 1);
    EXPECT_EQ(recordAgainPosted, 0);
    EXPECT_FALSE(dialog->IsPlaying());
    // The stop leaves the file where playback ended.
    EXPECT_EQ(dialog->GetCurrentFile()->GetPosition(), data.size());
    EXPECT_NE(Log().find("play"), std::string::npos);
}

TEST_F(Playback, APositionWithin300BytesOfTheEndPlaysFromTheStart)
{
    const Bytes data = CountedPcm(8000 * 2);
    OpenFile(WavWith(data, kStereo8k));
    dialog->position(static_cast<DWORD>(data.size()) - 296, true);
    ClickPlay();
    EXPECT_EQ(PlayToEnd(), data);

    // 304 bytes before the end is not near enough: only those bytes play.
    dialog->position(static_cast<DWORD>(data.size()) - 304, true);
    ClickPlay();
    EXPECT_EQ(PlayToEnd(), Tail(data, data.size() - 304));
}

TEST_F(Playback, TwoBuffersReturnedBeforeTheMessageRunsAreBothRefilledInRingOrder)
{
    const Bytes data = CountedPcm(8000 * 3);
    OpenFile(WavWith(data, kStereo8k));
    ClickPlay();
    ASSERT_TRUE(script::FinishOutputBuffer());
    ASSERT_TRUE(script::FinishOutputBuffer());
    EXPECT_EQ(script::OutputQueued(), 3u);
    // The first message's walk takes both; the second finds its buffer handled.
    hl::RunUntilIdle();
    EXPECT_EQ(script::OutputQueued(), 5u);
    EXPECT_EQ(dialog->GetPlayPosition(), 2 * kBlock);
    EXPECT_EQ(dialog->GetCurrentFile()->GetPosition(), 7 * kBlock);
    EXPECT_EQ(PlayToEnd(), data);
    EXPECT_EQ(stopsPosted, 1);
}

TEST_F(Playback, StopReturnsTheFileToWhatWasHeardAndPlayGoesOnFromThere)
{
    const Bytes data = CountedPcm(8000 * 3);
    OpenFile(WavWith(data, kStereo8k));
    ClickPlay();
    PlayBuffers(3);
    const Bytes first = script::TakePlayedBytes();
    EXPECT_EQ(first, Bytes(data.begin(), data.begin() + 3 * kBlock));
    ClickStop();
    EXPECT_FALSE(dialog->IsOutputOpen());
    EXPECT_EQ(dialog->GetCurrentFile()->GetPosition(), 3 * kBlock);
    ClickPlay();
    EXPECT_EQ(PlayToEnd(), Tail(data, 3 * kBlock));
}

TEST_F(Playback, ShortFilesAndEmptyFilesEnd)
{
    // Less than one block: one buffer plays, the other four are never queued.
    const Bytes data = CountedPcm(500);
    OpenFile(WavWith(data, kStereo8k));
    ClickPlay();
    EXPECT_EQ(script::OutputQueued(), 1u);
    EXPECT_EQ(PlayToEnd(), data);
    EXPECT_EQ(stopsPosted, 1);

    // No audio at all: Play opens nothing.
    ASSERT_TRUE(dialog->openfile(WavWith({}, kStereo8k, "empty.wav").c_str(), -1));
    ClickPlay();
    EXPECT_FALSE(dialog->IsOutputOpen());
}

TEST_F(Playback, ImaAdpcmPlaysWhatSoxDecodes)
{
    TAPVOX_REQUIRE_TOOL("sox");
    const std::string pcm = WavWith(CountedPcm(8000 * 3), kStereo8k, "pcm.wav");
    const std::string ima = Make("sox '" + pcm + "' -e ima-adpcm '" + dir.file("ima.wav") + "'", dir.file("ima.wav"));
    OpenFile(ima);
    ClickPlay();
    ASSERT_TRUE(dialog->IsOutputOpen());
    EXPECT_EQ(dialog->GetConversionMode(), TAppDialog::ModeDecode);
    // Decoding: the buffers are converted first, then moved to the device by the play timer.
    EXPECT_EQ(script::OutputQueued(), 0u);
    Pump(100);
    EXPECT_EQ(script::OutputQueued(), 5u);
    const Bytes played = PlayToEnd();
    EXPECT_EQ(played, Decoded("sox '" + ima + "' -t raw -"));
    EXPECT_EQ(stopsPosted, 1);
}

TEST_F(Playback, Mp3PlaysWhatMpg123Decodes)
{
    TAPVOX_REQUIRE_TOOL("lame");
    TAPVOX_REQUIRE_TOOL("mpg123");
    const std::string tone = WavWith(TonePcm(2.5, 440, 16000, 1), MakePcmFormat(1, 16000, 16), "tone.wav");
    const std::string mp3 = dir.file("tone.mp3");
    Make("lame --quiet -t -b 32 '" + tone + "' '" + mp3 + "'", mp3);
    OpenFile(mp3);
    ClickPlay();
    ASSERT_TRUE(dialog->IsOutputOpen());
    const Bytes played = PlayToEnd();
    const Bytes expected = Decoded("mpg123 -q -s '" + mp3 + "'");
    ASSERT_EQ(played.size(), expected.size());
    EXPECT_LE(LargestDifference(played, expected), 1);
    EXPECT_EQ(stopsPosted, 1);
}

TEST_F(Playback, OggVorbisPlaysWhatOggdecDecodes)
{
    TAPVOX_REQUIRE_TOOL("oggenc");
    TAPVOX_REQUIRE_TOOL("oggdec");
    const std::string tone = WavWith(TonePcm(2.5, 440, 8000, 2), kStereo8k, "tone.wav");
    const std::string ogg = dir.file("tone.ogg");
    Make("oggenc -Q -o '" + ogg + "' '" + tone + "'", ogg);
    OpenFile(ogg);
    ClickPlay();
    ASSERT_TRUE(dialog->IsOutputOpen());
    const Bytes played = PlayToEnd();
    const Bytes expected = Decoded("oggdec -Q -R -o - '" + ogg + "'");
    ASSERT_EQ(played.size(), expected.size());
    // The same synthesis; the two round floats to 16 bits with scales one step apart.
    EXPECT_LE(LargestDifference(played, expected), 2);
    EXPECT_EQ(stopsPosted, 1);
}

TEST_F(Playback, AStopEndsThePlayTimerSoNoStepReadsAhead)
{
    TAPVOX_REQUIRE_TOOL("sox");
    const std::string pcm = WavWith(CountedPcm(8000 * 4), kStereo8k, "pcm.wav");
    const std::string ima = Make("sox '" + pcm + "' -e ima-adpcm '" + dir.file("ima.wav") + "'", dir.file("ima.wav"));
    OpenFile(ima);
    ClickPlay();
    Pump(100);
    PlayBuffers(3);
    // A returned buffer's conversion waits for the timer's next step.
    script::FinishOutputBuffer();
    hl::RunUntilIdle();
    ClickStop();
    const DWORD heard = dialog->GetPlayPosition();
    EXPECT_EQ(dialog->GetCurrentFile()->GetPosition(), heard);
    Pump(1000);
    EXPECT_EQ(dialog->GetCurrentFile()->GetPosition(), heard);
    EXPECT_EQ(dialog->GetConversionStream(), nullptr);
}

TEST_F(Playback, MessagesOfAClosedOutputDoNotDisturbTheNextPlayback)
{
    TAPVOX_REQUIRE_TOOL("sox");
    const std::string pcm = WavWith(CountedPcm(8000 * 3), kStereo8k, "pcm.wav");
    const std::string ima = Make("sox '" + pcm + "' -e ima-adpcm '" + dir.file("ima.wav") + "'", dir.file("ima.wav"));
    const Bytes decoded = Decoded("sox '" + ima + "' -t raw -");
    OpenFile(ima);
    ClickPlay();
    Pump(100);
    // Stop and play at once: the reset's messages for the old device are still queued.
    SendMessage(dialog->GetHandle(), WM_COMMAND, 154, 0);
    const DWORD at = dialog->GetCurrentFile()->GetPosition();
    SendMessage(dialog->GetHandle(), WM_COMMAND, 151, 0);
    ASSERT_TRUE(dialog->IsOutputOpen());
    script::TakePlayedBytes();
    const Bytes played = PlayToEnd();
    // The whole rest of the recording, from where the stop left it.
    ASSERT_EQ(at, 0u);
    EXPECT_EQ(played, decoded);
}

TEST_F(Playback, AFailedDecoderOpenClosesTheOutputSoPlayWorksLater)
{
    TAPVOX_REQUIRE_TOOL("sox");
    const std::string pcm = WavWith(CountedPcm(8000 * 2), kStereo8k, "pcm.wav");
    const std::string ima = Make("sox '" + pcm + "' -e ima-adpcm '" + dir.file("ima.wav") + "'", dir.file("ima.wav"));
    OpenFile(ima);
    // The compression manager gone: no decoder opens.
    SetAcmEnabled(false);
    ClickPlay();
    EXPECT_FALSE(dialog->IsOutputOpen());
    EXPECT_FALSE(script::OutputOpen());
    SetAcmEnabled(true);
    ClickPlay();
    EXPECT_TRUE(dialog->IsOutputOpen());
    EXPECT_EQ(PlayToEnd(), Decoded("sox '" + ima + "' -t raw -"));
}

TEST_F(Playback, ABusyOrBrokenOutputDeviceIsReported)
{
    const Bytes data = CountedPcm(8000);
    OpenFile(WavWith(data, kStereo8k));
    script::FailNextWaveOpen(false, MMSYSERR_ALLOCATED);
    ClickPlay();
    EXPECT_FALSE(dialog->IsOutputOpen());
    script::FailNextWaveOpen(false, MMSYSERR_ERROR);
    ClickPlay();
    EXPECT_FALSE(dialog->IsOutputOpen());
    ASSERT_EQ(hl::MessageBoxes().size(), 2u);
    EXPECT_EQ(hl::MessageBoxes()[0].text.rfind("The wave output device not available.", 0), 0u);
    EXPECT_EQ(hl::MessageBoxes()[1].text,
              "Can't open wave output device. Problem with device or bad format? \n(bnplay)");
    // Without the wave mapper, device 0 plays.
    script::SetWaveMapper(false);
    ClickPlay();
    EXPECT_TRUE(dialog->IsOutputOpen());
    EXPECT_EQ(PlayToEnd(), data);
}

TEST_F(Playback, RecordWhilePlayingEndsPlaybackAndPlayAtSpeed)
{
    const Bytes data = CountedPcm(8000 * 3);
    OpenFile(WavWith(data, kStereo8k));
    Command(25210);
    ASSERT_EQ(dialog->GetSpeedMode(), 2);
    ASSERT_TRUE(dialog->IsPlaying());
    ClickRecord();
    EXPECT_TRUE(dialog->IsRecording());
    EXPECT_FALSE(dialog->IsOutputOpen());
    EXPECT_FALSE(dialog->IsPlaying());
    EXPECT_EQ(dialog->GetSpeedMode(), 0);
    EXPECT_EQ(hl::Text(GetDlgItem(dialog->GetHandle(), 151)), "Pla&y");
    // A slider drag now is no playback to pause: the recording goes on.
    hl::Drag(GetDlgItem(dialog->GetHandle(), 158), 200);
    EXPECT_TRUE(dialog->IsRecording());
    EXPECT_FALSE(dialog->IsOutputOpen());
    ClickStop();
}

TEST_F(Playback, ThePlaybackTimeOfAnOggFileCountsItsSamples)
{
    TAPVOX_REQUIRE_TOOL("oggenc");
    const std::string tone = WavWith(TonePcm(4, 440, 8000, 2), kStereo8k, "tone.wav");
    const std::string ogg = dir.file("tone.ogg");
    Make("oggenc -Q -o '" + ogg + "' '" + tone + "'", ogg);
    OpenFile(ogg);
    ClickPlay();
    // An Ogg file's position moves a page at a time.
    for (int i = 0; i < 40 && dialog->GetPlayPosition() < 8000; ++i) {
        PlayBuffers(1);
    }
    // Samples at 8000 a second, whatever the file's bit rate.
    const DWORD seconds = dialog->GetPlayPosition() / 8000;
    ASSERT_GE(seconds, 1u);
    char expected[16];
    std::snprintf(expected, sizeof expected, "  0:%2.2u", seconds);
    EXPECT_EQ(hl::Text(GetDlgItem(dialog->GetHandle(), 155)), expected);
    ClickStop();
}
