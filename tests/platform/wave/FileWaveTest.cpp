// The file-fed input and the discarding output, paced by the layer's manual clock.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/kernel/Clock.h"
#include "platform/wave/WavReader.h"
#include "tests/platform/wave/WaveTestSupport.h"
#include "tests/support/TestSupport.h"

using namespace wavetest;

namespace {
struct FileWave : ::testing::Test, DeviceOwner {
    void SetUp() override
    {
        platform::UseManualClock(1'700'000'000);
        platform::ClearMessageQueue();
    }
    void TearDown() override
    {
        CloseDevices();
        platform::UseSystemClock();
        platform::ClearMessageQueue();
    }

    // A source file of `ms` milliseconds in `format`; the TAPVOX_AUDIO value points at it.
    std::vector<std::uint8_t> UseSource(std::size_t ms, const std::string& suffix = "")
    {
        auto samples = Pattern(format.nAvgBytesPerSec * ms / 1000, 7);
        testsupport::WriteAll(dir.file("source.wav"), WavBytes(format, samples));
        setenv("TAPVOX_AUDIO", ("file:" + dir.file("source.wav") + suffix).c_str(), 1);
        return samples;
    }


    // Takes the finished input buffers, appends their bytes and queues them again.
    std::size_t Collect(std::vector<std::uint8_t>& recorded)
    {
        const auto done = Take(MM_WIM_DATA);
        for (const MSG& m : done) {
            WAVEHDR* h = HeaderOf(m);
            EXPECT_TRUE(h->dwFlags & WHDR_DONE);
            const auto bytes = Bytes(h->lpData, h->dwBytesRecorded);
            recorded.insert(recorded.end(), bytes.begin(), bytes.end());
            EXPECT_EQ(waveInAddBuffer(in, h, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
        }
        return done.size();
    }

    testsupport::TempDir dir;
};
}

TEST_F(FileWave, InputDeliversTheFilesSamplesInTheAskedSizesAtRealTimePace)
{
    const auto source = UseSource(1000);
    Buffers& b = Make(format);
    OpenInput(b);
    platform::AdvanceClock(500);  // time before the start does not count
    ASSERT_EQ(waveInStart(in), MMSYSERR_NOERROR);
    platform::AdvanceClock(199);
    EXPECT_TRUE(Take(MM_WIM_DATA).empty());
    platform::AdvanceClock(1);
    auto done = Take(MM_WIM_DATA);
    ASSERT_EQ(done.size(), 1u);
    EXPECT_EQ(HeaderOf(done[0]), b[0]);
    EXPECT_EQ(b[0]->dwBytesRecorded, 8820u);
    EXPECT_EQ(Bytes(b.data[0].data(), 8820), Slice(source, 0, 8820));
    platform::AdvanceClock(650);
    done = Take(MM_WIM_DATA);
    ASSERT_EQ(done.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(HeaderOf(done[i]), b[i + 1]);
        EXPECT_EQ(Bytes(b.data[i + 1].data(), 8820), Slice(source, 8820 * (i + 1), 8820));
    }
}

TEST_F(FileWave, ARecordingThroughTheWaveApiEqualsTheSourceByteForByte)
{
    TAPVOX_REQUIRE_TOOL("sox");
    // An independent writer makes the source, with whatever chunks it adds.
    const std::string src = dir.file("sox.wav");
    int status = -1;
    testsupport::RunCapture("sox -n -r 22050 -c 1 -b 16 -e signed-integer " + src +
                                " synth 3.1 sine 300-3000 >/dev/null 2>&1",
                            &status);
    ASSERT_EQ(status, 0);
    platform::wave::WavReader reader;
    ASSERT_TRUE(reader.Open(src));
    std::vector<std::uint8_t> source(reader.DataBytes());
    ASSERT_EQ(reader.Read(source.data(), source.size()), source.size());
    ASSERT_EQ(source.size(), 22050u * 2 * 31 / 10);
    setenv("TAPVOX_AUDIO", ("file:" + src).c_str(), 1);

    Buffers& b = Make(format);
    OpenInput(b);
    ASSERT_EQ(waveInStart(in), MMSYSERR_NOERROR);
    std::vector<std::uint8_t> recorded;
    for (int step = 0; step < 40; ++step) {
        platform::AdvanceClock(100);
        Collect(recorded);
    }
    // The end of the file returns the last, partly filled buffer and then nothing more.
    EXPECT_EQ(recorded, source);
    ASSERT_EQ(waveInStop(in), MMSYSERR_NOERROR);
    EXPECT_TRUE(Take(MM_WIM_DATA).empty());

    // The same through a file written by sox from the recorded bytes.
    testsupport::WriteAll(dir.file("raw.pcm"), recorded);
    testsupport::RunCapture("sox -t raw -r 22050 -c 1 -b 16 -e signed-integer " + dir.file("raw.pcm") + " " +
                                dir.file("copy.wav") + " >/dev/null 2>&1",
                            &status);
    ASSERT_EQ(status, 0);
    platform::wave::WavReader copy;
    ASSERT_TRUE(copy.Open(dir.file("copy.wav")));
    std::vector<std::uint8_t> copied(copy.DataBytes());
    copy.Read(copied.data(), copied.size());
    EXPECT_EQ(copied, source);
}

TEST_F(FileWave, StopPausesTheFileAndStartGoesOnWhereItWas)
{
    const auto source = UseSource(2000);
    Buffers& b = Make(format);
    OpenInput(b);
    std::vector<std::uint8_t> recorded;
    waveInStart(in);
    platform::AdvanceClock(300);
    ASSERT_EQ(waveInStop(in), MMSYSERR_NOERROR);  // returns the half-filled second buffer
    EXPECT_EQ(Collect(recorded), 2u);
    platform::AdvanceClock(5000);
    EXPECT_TRUE(Take(MM_WIM_DATA).empty());
    waveInStart(in);
    platform::AdvanceClock(500);
    Collect(recorded);
    EXPECT_EQ(recorded, Slice(source, 0, recorded.size()));
    EXPECT_EQ(recorded.size(), 8820u * 7 / 2);  // 300 ms, then two full buffers of the next 500 ms
}

TEST_F(FileWave, LoopModeStartsTheFileOverAndStopModeEndsIt)
{
    const auto source = UseSource(300, ";loop");
    Buffers& b = Make(format);
    OpenInput(b);
    waveInStart(in);
    std::vector<std::uint8_t> recorded;
    for (int i = 0; i < 10; ++i) {
        platform::AdvanceClock(100);
        Collect(recorded);
    }
    ASSERT_EQ(recorded.size(), 22050u * 2);
    for (std::size_t at = 0; at < recorded.size(); at += source.size()) {
        const std::size_t n = std::min(source.size(), recorded.size() - at);
        EXPECT_EQ(Slice(recorded, at, n), Slice(source, 0, n)) << at;
    }
}

TEST_F(FileWave, SamplesWithoutAQueuedBufferWaitForTheNextOne)
{
    const auto source = UseSource(2000);
    Buffers& b = Make(format, 1);
    OpenInput(b);
    waveInStart(in);
    platform::AdvanceClock(200);
    ASSERT_EQ(Take(MM_WIM_DATA).size(), 1u);
    platform::AdvanceClock(400);  // nothing queued for these 400 ms
    // The header comes back at once with the first of what waited, and then with the rest.
    for (std::size_t i = 1; i <= 3; ++i) {
        ASSERT_EQ(waveInAddBuffer(in, b[0], sizeof(WAVEHDR)), MMSYSERR_NOERROR);
        if (i == 3) {
            platform::AdvanceClock(200);
        }
        ASSERT_EQ(Take(MM_WIM_DATA).size(), 1u) << i;
        EXPECT_EQ(Bytes(b.data[0].data(), 8820), Slice(source, 8820 * i, 8820)) << i;
        EXPECT_EQ(b[0]->dwFlags & WHDR_GAP, 0u);
    }
}

TEST_F(FileWave, AMissingOrNonWaveFileIsAMissingDevice)
{
    for (const std::string& content : {std::string(), std::string("not a wave file at all, just some text")}) {
        if (!content.empty()) {
            testsupport::WriteAll(dir.file("bad.wav"), std::vector<std::uint8_t>(content.begin(), content.end()));
        }
        setenv("TAPVOX_AUDIO", ("file:" + dir.file("bad.wav")).c_str(), 1);
        EXPECT_EQ(waveInGetNumDevs(), 0u);
        WAVEINCAPSA caps{};
        EXPECT_EQ(waveInGetDevCapsA(WAVE_MAPPER, &caps, sizeof caps), MMSYSERR_NODRIVER);
        EXPECT_EQ(waveInGetDevCapsA(0, &caps, sizeof caps), MMSYSERR_BADDEVICEID);
        EXPECT_EQ(waveInOpen(&in, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL), MMSYSERR_NODRIVER);
        EXPECT_EQ(in, nullptr);
    }
}

// Each case runs in a child, so an input that spins or blocks fails the case instead of hanging the run.
TEST_F(FileWave, ALoopedSourceThatShrinksToNothingEndsAsAnUnloopedOneDoes)
{
    for (const off_t keep : {off_t{44}, off_t{0}}) {
        SCOPED_TRACE(keep);
        const auto source = UseSource(1000, ";loop");
        const int result = testsupport::RunInChild(
            [&] {
                Buffers& b = Make(format);
                OpenInput(b);
                waveInStart(in);
                std::vector<std::uint8_t> recorded;
                platform::AdvanceClock(300);
                if (Collect(recorded) != 1 || truncate(dir.file("source.wav").c_str(), keep) != 0) {
                    return 2;
                }
                // What was read ahead before the cut may still come; then the partly filled buffer, then nothing.
                platform::AdvanceClock(1000);
                const std::size_t ending = Collect(recorded);
                platform::AdvanceClock(5000);
                const std::size_t after = Collect(recorded);
                const bool prefix = recorded.size() < source.size() && recorded == Slice(source, 0, recorded.size());
                waveInStop(in);
                return ending >= 1 && after == 0 && prefix ? 0 : 3;
            },
            10);
        EXPECT_EQ(result, 0) << "-1: the input spun or blocked; 3: it did not end as an unlooped input ends";
    }
}

TEST_F(FileWave, AnInputThatIsNotARegularFileIsRefusedAtOnceNamingIt)
{
    ASSERT_EQ(mkfifo(dir.file("fifo.wav").c_str(), 0600), 0);
    ASSERT_EQ(mkdir(dir.file("folder.wav").c_str(), 0700), 0);
    for (const std::string& path : {dir.file("fifo.wav"), dir.file("folder.wav"), std::string("/dev/zero")}) {
        SCOPED_TRACE(path);
        setenv("TAPVOX_AUDIO", ("file:" + path + ";loop").c_str(), 1);
        const int result = testsupport::RunInChild(
            [&] {
                // The child's standard error goes to a file the check reads.
                const int copy = open(dir.file("err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
                const int saved = dup(2);
                dup2(copy, 2);
                const bool refused = waveInGetNumDevs() == 0 &&
                                     waveInOpen(&in, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) == MMSYSERR_NODRIVER;
                dup2(saved, 2);
                return refused ? 0 : 2;
            },
            10);
        EXPECT_EQ(result, 0) << "-1: opening the input blocked; 2: it was not refused";
        const auto bytes = testsupport::ReadAll(dir.file("err"));
        const std::string err(bytes.begin(), bytes.end());
        EXPECT_NE(err.find(path), std::string::npos) << err;
        EXPECT_NE(err.find("not a regular file"), std::string::npos) << err;
    }
}

TEST_F(FileWave, AnotherFormatThanTheFilesIsRefused)
{
    UseSource(100);
    const WAVEFORMATEX stereo = Pcm(2, 22050, 16);
    EXPECT_EQ(waveInOpen(&in, WAVE_MAPPER, &stereo, 0, 0, CALLBACK_NULL), WAVERR_BADFORMAT);
    const WAVEFORMATEX faster = Pcm(1, 44100, 16);
    EXPECT_EQ(waveInOpen(&in, 0, &faster, 0, 0, CALLBACK_NULL), WAVERR_BADFORMAT);
    EXPECT_EQ(in, nullptr);
}

TEST_F(FileWave, TheDiscardingOutputReturnsEachBufferWhenItWouldHaveBeenHeard)
{
    UseSource(100);
    const WAVEFORMATEX f = Pcm(2, 44100, 16);
    ASSERT_EQ(waveOutOpen(&out, WAVE_MAPPER, &f, reinterpret_cast<DWORD_PTR>(Window()), 0,
                          CALLBACK_WINDOW | WAVE_ALLOWSYNC),
              MMSYSERR_NOERROR);
    Buffers& b = Make(f, 3);
    b[2]->dwBufferLength = 17640;  // 100 ms
    platform::AdvanceClock(1000);  // idle time does not count
    for (std::size_t i = 0; i < 3; ++i) {
        ASSERT_EQ(waveOutPrepareHeader(out, b[i], sizeof(WAVEHDR)), MMSYSERR_NOERROR);
        ASSERT_EQ(waveOutWrite(out, b[i], sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    }
    platform::AdvanceClock(199);
    EXPECT_TRUE(Take(MM_WOM_DONE).empty());
    platform::AdvanceClock(1);
    auto done = Take(MM_WOM_DONE);
    ASSERT_EQ(done.size(), 1u);
    EXPECT_EQ(HeaderOf(done[0]), b[0]);
    platform::AdvanceClock(299);
    done = Take(MM_WOM_DONE);
    ASSERT_EQ(done.size(), 1u);
    EXPECT_EQ(HeaderOf(done[0]), b[1]);
    platform::AdvanceClock(1);
    done = Take(MM_WOM_DONE);
    ASSERT_EQ(done.size(), 1u);
    EXPECT_EQ(HeaderOf(done[0]), b[2]);
    EXPECT_EQ(waveOutClose(out), MMSYSERR_NOERROR);
    out = nullptr;
}
