// The engine under unusual settings and timing: high rates, hour-long takes, the
// debugging trace, a codec that cannot open, switches S and D, a click during a copy.
#include "tests/recorder/RecorderFixture.h"

#include "files/FileNames.h"
#include "platform/acm/Acm.h"
#include "recorder/PrivateMessages.h"

namespace {
class Robustness : public RecorderTest {
protected:
    // An IMA ADPCM WAV setting with twice the usual block, which the codec can do but would not suggest.
    void UseWideImaAdpcm()
    {
        std::memset(RecordFormatBuffer, 0, FormatBufferBytes());
        auto* f = RecordFormatBuffer;
        *f = WAVEFORMATEX{WAVE_FORMAT_IMA_ADPCM, 2, 8000, 8000 * 1024 / 1017, 1024, 4, 2};
        const WORD samplesPerBlock = 1017;
        std::memcpy(reinterpret_cast<BYTE*>(f) + sizeof(WAVEFORMATEX), &samplesPerBlock, 2);
        std::snprintf(ACMDriver, sizeof ACMDriver, "IMA ADPCM");
        ACMFormatTag = WAVE_FORMAT_IMA_ADPCM;
    }
};

constexpr UINT kClickRecord = WM_USER + 1;
HWND g_recorder = nullptr;

// Handled inside a copy's loop: the user clicks Record while the copy runs.
LRESULT ClickerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == kClickRecord) {
        PostMessage(g_recorder, WM_COMMAND, 150, 0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}
}

TEST_F(Robustness, HighRateBuffersHoldAFifthOfASecond)
{
    TAPVOX_REQUIRE_TOOL("sox");
    SampleRate = 96000;
    Open();
    ClickRecord();
    ASSERT_TRUE(dialog->IsRecording());
    EXPECT_EQ(BufferBytes(), 76800u);
    EXPECT_GE(dialog->GetBufferCapacity(), 76800u);
    EXPECT_EQ(dialog->GetBuffer(0).header->dwBufferLength, 76800u);
    Feed(7, true);
    FeedFrames(1000, true);
    ClickStop();
    EXPECT_EQ(SoxSamples(CurrentName()), fed);
}

TEST_F(Robustness, AContinuousTakeBringsItsHeadersUpToDateEveryMinute)
{
    Open();
    ClickRecord();
    Feed(5 * 61, true);
    ASSERT_TRUE(dialog->IsRecording());
    // Read as another program would while the recording goes on.
    platform::wave::WavReader reader;
    ASSERT_TRUE(reader.Open(CurrentName()));
    EXPECT_GE(reader.DataBytes(), 60u * 32000);
    ClickStop();
}

TEST_F(Robustness, BufferTracesStayOutOfTheLogUnlessSwitchedOn)
{
    Open();
    ClickRecord();
    Feed(200, true);
    ClickStop();
    EXPECT_LT(SMsg::WarningCount(), 10);
    EXPECT_EQ(Log().find("processing seg"), std::string::npos);
    EXPECT_EQ(Log().find("Maximum warnings reported"), std::string::npos);

    TAppDialog::SetBufferTrace(true);
    const int before = SMsg::WarningCount();
    ClickRecord();
    Feed(300, true);
    ClickStop();
    TAppDialog::SetBufferTrace(false);
    EXPECT_NE(Log().find("processing seg 3"), std::string::npos);
    EXPECT_NE(Log().find("seg0 "), std::string::npos);
    EXPECT_LT(SMsg::WarningCount() - before, 10);
    // Real warnings still reach the log afterwards.
    dialog->Warning("after the trace");
    EXPECT_NE(Log().find("after the trace"), std::string::npos);
}

TEST_F(Robustness, AStreamThatCannotOpenLeavesNoConversionModeAndNoFile)
{
    UseWideImaAdpcm();
    // A block the codec refuses: the stream cannot open.
    RecordFormatBuffer->nBlockAlign = 1000;
    Open();
    ClickRecord();
    EXPECT_FALSE(dialog->IsRecording());
    EXPECT_EQ(dialog->GetConversionMode(), TAppDialog::ModeNone);
    EXPECT_EQ(dialog->GetConversionStream(), nullptr);
    EXPECT_EQ(dialog->GetCurrentFile(), nullptr);
    EXPECT_FALSE(script::InputOpen());
    ASSERT_FALSE(hl::MessageBoxes().empty());
    EXPECT_NE(hl::MessageBoxes().back().text.find("(acmopen)"), std::string::npos);
}

TEST_F(Robustness, AStreamThatCannotReopenAtARestartStopsOnceAndKeepsWhatWasConverted)
{
    TAPVOX_REQUIRE_TOOL("sox");
    UseWideImaAdpcm();
    Open();
    ClickRecord();
    ASSERT_TRUE(dialog->IsRecording());
    Feed(6, true);
    // From now on the codec refuses the file's format, and the input is restarted.
    const_cast<WAVEFORMATEX*>(dialog->GetFileFormat())->nBlockAlign = 1000;
    PostMessage(dialog->GetHandle(), UM_RESTART_INPUT, 1, 2);
    hl::RunUntilIdle();
    EXPECT_FALSE(dialog->IsRecording());
    EXPECT_FALSE(script::InputOpen());
    EXPECT_EQ(dialog->GetConversionMode(), TAppDialog::ModeNone);
    EXPECT_EQ(dialog->GetConversionStream(), nullptr);
    Feed(5, true);
    auto said = [](const char* tag) {
        return std::count_if(hl::MessageBoxes().begin(), hl::MessageBoxes().end(),
                             [&](const hl::MessageBoxCall& b) { return b.text.find(tag) != std::string::npos; });
    };
    EXPECT_EQ(said("(acmopen)"), 1);
    EXPECT_EQ(said("(mmdata"), 0);
    // Every buffer the device gave back before the restart was converted and written.
    const std::size_t frames = SoxSamples(CurrentName()).size() / 4;
    EXPECT_GE(frames, 6 * FramesPerBuffer());
    EXPECT_LT(frames, 6 * FramesPerBuffer() + 1017);
}

TEST_F(Robustness, AConversionThatFailsMidRecordingStopsItOnceAndLogsOnce)
{
    TAPVOX_REQUIRE_TOOL("sox");
    UseWideImaAdpcm();
    Open();
    ClickRecord();
    ASSERT_TRUE(dialog->IsRecording());
    Feed(4, true);
    const std::size_t boxes = hl::MessageBoxes().size();
    // From here every conversion is refused: the headers no longer pass the converter's check.
    for (int i = 0; i < kAudioBufferCount; ++i) {
        const_cast<ACMSTREAMHEADER*>(dialog->GetBuffer(i).conversion)->cbStruct = 0;
    }
    Feed(6, true);
    EXPECT_FALSE(dialog->IsRecording());
    EXPECT_FALSE(script::InputOpen());
    EXPECT_EQ(hl::MessageBoxes().size(), boxes);
    const std::string log = Log();
    const std::string line = "acmStreamConvert failure";
    ASSERT_NE(log.find(line), std::string::npos);
    EXPECT_EQ(log.find(line), log.rfind(line));
    for (int i = 0; i < kAudioBufferCount; ++i) {
        const_cast<ACMSTREAMHEADER*>(dialog->GetBuffer(i).conversion)->cbStruct = ACMSTREAMHEADER_DOCUMENTED_SIZE;
    }
    // What was converted before the failure stays readable, less the block the codec still held.
    EXPECT_GT(SoxSamples(CurrentName()).size() / 4, 3 * FramesPerBuffer() - 1017);
}

TEST_F(Robustness, SwitchSChoosesTheFormatOfANewFileOnlyAndAFileWithDataKeepsItsOwn)
{
    TAPVOX_REQUIRE_TOOL("sox");
    UseWideImaAdpcm();
    Open();
    ClickRecord();
    Feed(4, true);
    ClickStop();
    const std::string name = CurrentName();
    ASSERT_TRUE(dialog->savefile(nullptr, true));
    delete frame;
    frame = nullptr;

    StartOptions.SuggestedFormats = true;
    std::snprintf(CurrentFileName, sizeof CurrentFileName, "%s", name.c_str());
    Open();
    ASSERT_EQ(CurrentName(), name);
    EXPECT_EQ(dialog->GetFileFormat()->nBlockAlign, 1024);
    ClickRecord();
    ASSERT_TRUE(dialog->IsRecording());
    EXPECT_EQ(dialog->GetFileFormat()->nBlockAlign, 1024);
    Feed(6, true);
    ClickStop();
    ASSERT_TRUE(dialog->savefile(nullptr, true));
    auto f = ReadWave(name);
    EXPECT_EQ(f->GetFormat()->nBlockAlign, 1024);
    // Every block decodes: sox reads the whole take, old and new, block by block.
    const std::size_t frames = SoxSamples(name).size() / 4;
    EXPECT_GE(frames, 10 * FramesPerBuffer());
    EXPECT_LT(frames, 10 * FramesPerBuffer() + 2 * 1017);

    // A new file under switch S takes the codec's suggestion.
    ASSERT_TRUE(dialog->openfile(nullptr, 0));
    EXPECT_EQ(dialog->GetFileFormat()->nBlockAlign, 512);
}

TEST_F(Robustness, SwitchDOpensACompressedFileWithoutOverrunningItsFormatBuffer)
{
    UseWideImaAdpcm();
    Open();
    ClickRecord();
    Feed(3, true);
    ClickStop();
    const std::string name = CurrentName();
    ASSERT_TRUE(dialog->savefile(nullptr, true));
    delete frame;
    frame = nullptr;

    StartOptions.NoCompression = true;
    CurrentFileName[0] = 0;
    Open();
    // Without the compression manager the file cannot be recorded into: it is refused, unharmed.
    const auto before = testsupport::ReadAll(name);
    EXPECT_FALSE(dialog->openfile(name.c_str(), -1));
    EXPECT_EQ(dialog->GetCurrentFile(), nullptr);
    EXPECT_EQ(testsupport::ReadAll(name), before);
}

TEST_F(Robustness, ARecordClickDuringACopyRunsWhenTheCopyHasFinished)
{
    TAPVOX_REQUIRE_TOOL("sox");
    Open();
    ClickRecord();
    Feed(10, true);
    ClickStop();
    const auto kept = fed;
    WNDCLASSA wc{};
    wc.lpfnWndProc = ClickerProc;
    wc.lpszClassName = "TapvoxTestClicker";
    RegisterClassA(&wc);
    HWND clicker = CreateWindowExA(0, "TapvoxTestClicker", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    g_recorder = dialog->GetHandle();
    PostMessage(clicker, kClickRecord, 0, 0);
    ASSERT_TRUE(dialog->savefile((folder + "/copy.wav").c_str(), false));
    hl::RunUntilIdle();
    // The click was held back until the copy was done, and then recorded into the copy.
    EXPECT_TRUE(dialog->IsRecording());
    EXPECT_EQ(CurrentName(), folder + "/copy.wav");
    Feed(3, true);
    ClickStop();
    EXPECT_EQ(SoxSamples(folder + "/copy.wav"), fed);
    EXPECT_EQ(SoxSamples(folder + "/take_1.wav"), kept);
    EXPECT_FALSE(FileExists((folder + "/take_2.wav").c_str()));
}
