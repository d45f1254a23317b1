// Capture into PCM WAV through the real message loop: every sample once and in
// order across stops, the held-back buffer, restarts and stale messages.
#include "tests/recorder/RecorderFixture.h"

#include "recorder/PrivateMessages.h"
#include "settings/CodecDrivers.h"

using Capture = RecorderTest;

TEST_F(Capture, RecordsEverySampleOnceAndInOrderUpToTheStop)
{
    TAPVOX_REQUIRE_TOOL("sox");
    Open();
    ClickRecord();
    ASSERT_TRUE(dialog->IsRecording());
    ASSERT_TRUE(script::InputStarted());
    EXPECT_EQ(script::InputQueued(), 5u);
    const std::string name = CurrentName();
    EXPECT_EQ(name, folder + "/take_1.wav");

    Feed(7, true);
    // One buffer behind the newest: six of seven are in the file.
    EXPECT_EQ(dialog->GetCurrentFile()->GetDataSize(), 6 * BufferBytes());
    FeedFrames(FramesPerBuffer() / 3, true);
    ClickStop();
    EXPECT_FALSE(dialog->IsRecording());
    EXPECT_FALSE(script::InputOpen());

    // The held-back buffer and the partly filled one are in the file too.
    EXPECT_EQ(SoxSamples(name), fed);
    int status = -1;
    const std::string info = testsupport::RunCapture("sndfile-info '" + name + "' 2>&1", &status);
    EXPECT_NE(info.find("Channels    : 2"), std::string::npos) << info;
    EXPECT_NE(info.find("Sample Rate : 8000"), std::string::npos) << info;
}

TEST_F(Capture, ARecordAfterAStopAppendsAndEachRecordingKeepsItsTail)
{
    TAPVOX_REQUIRE_TOOL("sox");
    Open();
    ClickRecord();
    Feed(3, true);
    FeedFrames(10, true);
    ClickStop();
    ClickRecord();
    Feed(2, true);
    FeedFrames(FramesPerBuffer() - 1, true);
    ClickStop();
    EXPECT_EQ(SoxSamples(CurrentName()), fed);
    // One marker per take: the second begins where the first ended.
    auto f = ReadWave(CurrentName());
    ASSERT_EQ(f->GetMarkerCount(), 2);
    EXPECT_EQ(f->GetMarkerPosition(1), (3 * FramesPerBuffer() + 10) * 4);
}

TEST_F(Capture, MessagesOfAnotherDeviceAndStaleMessagesChangeNothing)
{
    TAPVOX_REQUIRE_TOOL("sox");
    Open();
    ClickRecord();
    Feed(3, true);
    const HWND w = dialog->GetHandle();
    const auto device = reinterpret_cast<WPARAM>(dialog->GetInputDevice());
    const auto* held = dialog->GetBuffer(2).header;
    // A message naming another device, and several for a header taken in and queued again.
    PostMessage(w, MM_WIM_DATA, 0x1234, reinterpret_cast<LPARAM>(held));
    for (int i = 0; i < 6; ++i) {
        PostMessage(w, MM_WIM_DATA, device, reinterpret_cast<LPARAM>(dialog->GetBuffer(0).header));
    }
    hl::RunUntilIdle();
    EXPECT_EQ(dialog->GetRestartCount(), 0);
    Feed(2, true);
    ClickStop();
    // And messages that arrive after the stop are for a device that is gone.
    for (int i = 0; i < 3; ++i) {
        PostMessage(w, MM_WIM_DATA, device, reinterpret_cast<LPARAM>(held));
    }
    hl::RunUntilIdle();
    EXPECT_EQ(SoxSamples(CurrentName()), fed);
}

TEST_F(Capture, AStopAndAStaleBufferQueuedWhileRecordStartsRunAfterIt)
{
    TAPVOX_REQUIRE_TOOL("sox");
    Open();
    ClickRecord();
    Feed(3, true);
    const auto before = reinterpret_cast<WPARAM>(dialog->GetInputDevice());
    ClickStop();
    const std::size_t boxes = hl::MessageBoxes().size();
    // Waiting in the queue when Record starts: a buffer of the closed device and a Stop click.
    PostMessage(dialog->GetHandle(), MM_WIM_DATA, before, reinterpret_cast<LPARAM>(dialog->GetBuffer(0).header));
    PostMessage(dialog->GetHandle(), WM_COMMAND, 154, 0);
    dialog->record();
    EXPECT_TRUE(dialog->IsRecording());
    hl::RunUntilIdle();
    // The stop came after the start: nothing half open, nothing said, nothing written twice.
    EXPECT_FALSE(dialog->IsRecording());
    EXPECT_FALSE(dialog->IsInputOpen());
    EXPECT_FALSE(script::InputOpen());
    EXPECT_EQ(hl::MessageBoxes().size(), boxes);
    EXPECT_EQ(SoxSamples(CurrentName()), fed);
}

TEST_F(Capture, QueuedMessagesAfterABusySpellDoNotRestartTheInput)
{
    TAPVOX_REQUIRE_TOOL("sox");
    Open();
    ClickRecord();
    // The thread was busy: all five buffers finish before any of their messages is handled.
    std::vector<std::uint8_t> block(5 * BufferBytes());
    for (std::uint32_t i = 0; i < 5 * FramesPerBuffer(); ++i) {
        CountedFrame(next + i, true, &block[i * 4]);
    }
    ASSERT_EQ(script::FeedInput(block.data(), block.size()), block.size());
    fed.insert(fed.end(), block.begin(), block.end());
    next += 5 * FramesPerBuffer();
    hl::RunUntilIdle();
    EXPECT_EQ(dialog->GetRestartCount(), 0);
    Feed(2, true);
    ClickStop();
    EXPECT_EQ(SoxSamples(CurrentName()), fed);
}

TEST_F(Capture, AStalledDriverIsRestartedOnceAndWhatItReturnedIsKept)
{
    TAPVOX_REQUIRE_TOOL("sox");
    Open();
    ClickRecord();
    Feed(1, true);
    // The driver loses header 1: the four after it come back, it never does.
    std::vector<std::uint8_t> block(BufferBytes());
    for (std::uint32_t i = 0; i < FramesPerBuffer(); ++i) {
        CountedFrame(next + i, true, &block[i * 4]);
    }
    ASSERT_EQ(script::FeedInput(block.data(), block.size()), block.size());
    next += FramesPerBuffer();
    const_cast<WAVEHDR*>(dialog->GetBuffer(1).header)->dwFlags &= ~WHDR_DONE;
    hl::RunUntilIdle();
    EXPECT_EQ(dialog->GetRestartCount(), 0);
    Feed(3, true);
    EXPECT_EQ(dialog->GetRestartCount(), 1);
    EXPECT_TRUE(dialog->IsRecording());
    EXPECT_EQ(script::InputQueued(), 5u);
    Feed(2, true);
    ClickStop();
    // The lost header's frames never reached the engine; everything else is there, in order.
    EXPECT_EQ(SoxSamples(CurrentName()), fed);
    const auto log = testsupport::ReadAll(dir.file("tapvox.log"));
    EXPECT_NE(std::string(log.begin(), log.end()).find("Attempting to restart recording."), std::string::npos);
}

TEST_F(Capture, WithoutTheMapperDeviceZeroRecords)
{
    TAPVOX_REQUIRE_TOOL("sox");
    script::SetWaveMapper(false);
    Open();
    ClickRecord();
    ASSERT_TRUE(dialog->IsRecording());
    Feed(3, true);
    ClickStop();
    EXPECT_EQ(SoxSamples(CurrentName()), fed);
}

TEST_F(Capture, AMissingOrBusyDeviceIsSaidAndLeavesNothingHalfOpen)
{
    script::SetWaveDevices({}, {"Scripted output"});
    Open();
    ClickRecord();
    EXPECT_FALSE(dialog->IsRecording());
    ASSERT_EQ(Boxes("Can't get wave input device capabilities. Driver problem or missing device? \n(listen)"), 1);
    EXPECT_EQ(hl::MessageBoxes().back().caption, "Tapvox");
    EXPECT_EQ(hl::MessageBoxes().back().type, MB_OK | MB_ICONEXCLAMATION);

    script::ResetWaveScript();
    script::FailNextWaveOpen(true, MMSYSERR_ALLOCATED);
    ClickRecord();
    EXPECT_FALSE(dialog->IsRecording());
    EXPECT_FALSE(dialog->IsInputOpen());
    EXPECT_EQ(Boxes("Can't open Wave device for input.\nClose other programs using Wave and try again. \n(listen)"), 1);
    // The next try finds the device free again.
    ClickRecord();
    EXPECT_TRUE(dialog->IsRecording());
    ClickStop();
}

TEST_F(Capture, TheMp3CodecListIsMadeOncePerProcess)
{
    Open();
    const std::size_t first = CodecDrivers().size();
    ASSERT_GE(first, 1u);
    delete frame;
    frame = nullptr;
    Open();
    EXPECT_EQ(CodecDrivers().size(), first);
    EXPECT_NE(FindCodecDriver(CodecDrivers()[0].name), nullptr);
    EXPECT_EQ(FindCodecDriver("no such codec"), nullptr);
}
