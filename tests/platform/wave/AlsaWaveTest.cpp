// The real ALSA backend: runs where a sound device answers (a sound card, a
// sound server, or the private null server that ctest starts), skipped elsewhere.
#include <chrono>
#include <dirent.h>
#include <fstream>
#include <string>
#include <thread>

#include "tests/platform/wave/WaveTestSupport.h"

using namespace wavetest;

namespace {
struct AlsaWave : ::testing::Test, DeviceOwner {
    void SetUp() override
    {
        unsetenv("TAPVOX_AUDIO");
        platform::ClearMessageQueue();
        WAVEOUTCAPSA out{};
        WAVEINCAPSA in{};
        if (waveOutGetDevCapsA(WAVE_MAPPER, &out, sizeof out) != MMSYSERR_NOERROR ||
            waveInGetDevCapsA(WAVE_MAPPER, &in, sizeof in) != MMSYSERR_NOERROR) {
            GTEST_SKIP() << "no sound device answers here";
        }
    }
    void TearDown() override
    {
        CloseDevices();
        platform::ClearMessageQueue();
    }

    // Waits on the wall clock (a real device keeps real time) for `count` messages, at most `limit`.
    static std::vector<MSG> WaitFor(UINT message, std::size_t count, std::chrono::seconds limit)
    {
        std::vector<MSG> got;
        const auto end = std::chrono::steady_clock::now() + limit;
        while (got.size() < count && std::chrono::steady_clock::now() < end) {
            auto more = Take(message);
            got.insert(got.end(), more.begin(), more.end());
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return got;
    }

    // Voluntary context switches of this process's threads of the given name.
    static std::uint64_t Switches(const std::string& name)
    {
        std::uint64_t sum = 0;
        DIR* tasks = opendir("/proc/self/task");
        while (dirent* e = tasks ? readdir(tasks) : nullptr) {
            const std::string task = std::string("/proc/self/task/") + e->d_name;
            std::string comm;
            std::getline(std::ifstream(task + "/comm"), comm);
            std::ifstream status(task + "/status");
            for (std::string line; comm == name && std::getline(status, line);) {
                if (line.starts_with("voluntary_ctxt_switches:")) {
                    sum += std::stoull(line.substr(24));
                }
            }
        }
        if (tasks) {
            closedir(tasks);
        }
        return sum;
    }
};

using Clock = std::chrono::steady_clock;
double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }
}

TEST_F(AlsaWave, TheMapperPlaysBuffersInWriteOrder)
{
    const WAVEFORMATEX f = Pcm(2, 44100, 16);
    ASSERT_EQ(waveOutOpen(&out, WAVE_MAPPER, &f, reinterpret_cast<DWORD_PTR>(Window()), 0,
                          CALLBACK_WINDOW | WAVE_ALLOWSYNC),
              MMSYSERR_NOERROR);
    Buffers& b = Make(f, 3);
    for (std::size_t i = 0; i < 3; ++i) {
        ASSERT_EQ(waveOutPrepareHeader(out, b[i], sizeof(WAVEHDR)), MMSYSERR_NOERROR);
        ASSERT_EQ(waveOutWrite(out, b[i], sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    }
    const auto start = std::chrono::steady_clock::now();
    const auto done = WaitFor(MM_WOM_DONE, 3, std::chrono::seconds(10));
    ASSERT_EQ(done.size(), 3u);
    // 600 ms of sound cannot be over much sooner.
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(300));
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(HeaderOf(done[i]), b[i]);
        EXPECT_EQ(b[i]->dwFlags & (WHDR_DONE | WHDR_INQUEUE), WHDR_DONE);
    }
    EXPECT_EQ(waveOutClose(out), MMSYSERR_NOERROR);
    out = nullptr;
}

TEST_F(AlsaWave, TheMapperCapturesFullBuffersAndResetReturnsTheRest)
{
    const WAVEFORMATEX f = Pcm(1, 22050, 16);
    ASSERT_EQ(waveInOpen(&in, WAVE_MAPPER, &f, reinterpret_cast<DWORD_PTR>(Window()), 0, CALLBACK_WINDOW),
              MMSYSERR_NOERROR);
    Buffers& b = Make(f);
    for (auto& h : b.headers) {
        ASSERT_EQ(waveInPrepareHeader(in, &h, sizeof h), MMSYSERR_NOERROR);
        ASSERT_EQ(waveInAddBuffer(in, &h, sizeof h), MMSYSERR_NOERROR);
    }
    ASSERT_EQ(waveInStart(in), MMSYSERR_NOERROR);
    const auto done = WaitFor(MM_WIM_DATA, 2, std::chrono::seconds(10));
    ASSERT_GE(done.size(), 2u);
    for (std::size_t i = 0; i < done.size(); ++i) {
        EXPECT_EQ(HeaderOf(done[i]), b[i]);
        EXPECT_EQ(b[i]->dwBytesRecorded, 8820u);
    }
    EXPECT_EQ(waveInClose(in), WAVERR_STILLPLAYING);
    ASSERT_EQ(waveInStop(in), MMSYSERR_NOERROR);
    ASSERT_EQ(waveInReset(in), MMSYSERR_NOERROR);
    for (auto& h : b.headers) {
        EXPECT_EQ(h.dwFlags & (WHDR_DONE | WHDR_INQUEUE), WHDR_DONE);
        EXPECT_EQ(waveInUnprepareHeader(in, &h, sizeof h), MMSYSERR_NOERROR);
    }
    EXPECT_EQ(waveInClose(in), MMSYSERR_NOERROR);
    in = nullptr;
}

TEST_F(AlsaWave, ABadDeviceIdFailsAndCardNamesAreCut)
{
    const WAVEFORMATEX f = Pcm(1, 22050, 16);
    EXPECT_EQ(waveInOpen(&in, waveInGetNumDevs() + 3, &f, 0, 0, CALLBACK_NULL), MMSYSERR_BADDEVICEID);
    // Every listed card has a name a user can read, cut to 31 characters.
    for (UINT i = 0; i < waveInGetNumDevs(); ++i) {
        WAVEINCAPSA caps{};
        ASSERT_EQ(waveInGetDevCapsA(i, &caps, sizeof caps), MMSYSERR_NOERROR);
        EXPECT_GT(std::string(caps.szPname).size(), 0u);
        EXPECT_LE(std::string(caps.szPname).size(), 31u);
    }
}

// The device thread sleeps until the device has data: a few wake-ups a second
// (one a period), and the buffers still come at the device's real-time pace.
TEST_F(AlsaWave, CaptureKeepsRealTimeAndWakesOnlyForData)
{
    const WAVEFORMATEX f = Pcm(1, 22050, 16);
    Buffers& b = Make(f);
    OpenInput(b);
    ASSERT_EQ(waveInStart(in), MMSYSERR_NOERROR);
    // The sound server's first data may come late; the pace counts from there.
    const auto first = WaitFor(MM_WIM_DATA, 1, std::chrono::seconds(10));
    ASSERT_FALSE(first.empty());
    const auto t0 = Clock::now();
    const std::uint64_t switches0 = Switches("alsa-in");
    for (const MSG& m : first) {
        waveInAddBuffer(in, HeaderOf(m), sizeof(WAVEHDR));
    }
    std::size_t got = 0;
    while (got < 15 && Clock::now() - t0 < std::chrono::seconds(10)) {
        for (const MSG& m : WaitFor(MM_WIM_DATA, 1, std::chrono::seconds(1))) {
            EXPECT_EQ(HeaderOf(m)->dwBytesRecorded, 8820u);
            waveInAddBuffer(in, HeaderOf(m), sizeof(WAVEHDR));
            ++got;
        }
    }
    const double seconds = Seconds(Clock::now() - t0);
    ASSERT_GE(got, 15u);
    // A fifth of a second each, give or take a period of the device's buffer.
    EXPECT_NEAR(seconds, 0.2 * static_cast<double>(got), 0.5);
    EXPECT_LE(static_cast<double>(Switches("alsa-in") - switches0) / seconds, 15.0);
}

TEST_F(AlsaWave, PlaybackReturnsEachBufferOnceHeardAndWakesOnlyForThat)
{
    const WAVEFORMATEX f = Pcm(2, 44100, 16);
    ASSERT_EQ(waveOutOpen(&out, WAVE_MAPPER, &f, reinterpret_cast<DWORD_PTR>(Window()), 0,
                          CALLBACK_WINDOW | WAVE_ALLOWSYNC),
              MMSYSERR_NOERROR);
    Buffers& b = Make(f, 5);
    const std::uint64_t switches0 = Switches("alsa-out");
    const auto t0 = Clock::now();
    for (std::size_t i = 0; i < 5; ++i) {
        ASSERT_EQ(waveOutPrepareHeader(out, b[i], sizeof(WAVEHDR)), MMSYSERR_NOERROR);
        ASSERT_EQ(waveOutWrite(out, b[i], sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    }
    std::vector<double> done;
    while (done.size() < 5 && Clock::now() - t0 < std::chrono::seconds(10)) {
        for (const MSG& m : WaitFor(MM_WOM_DONE, 1, std::chrono::seconds(1))) {
            EXPECT_EQ(HeaderOf(m), b[done.size()]);
            done.push_back(Seconds(Clock::now() - t0));
        }
    }
    const double seconds = Seconds(Clock::now() - t0);
    ASSERT_EQ(done.size(), 5u);
    // A second of sound: each buffer is back once it has been heard, not much later.
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_GE(done[i], 0.2 * static_cast<double>(i + 1) - 0.1) << i;
        EXPECT_LE(done[i], 0.2 * static_cast<double>(i + 1) + 0.6) << i;
    }
    EXPECT_LE(static_cast<double>(Switches("alsa-out") - switches0) / seconds, 30.0);
    EXPECT_EQ(waveOutClose(out), MMSYSERR_NOERROR);
    out = nullptr;
}
