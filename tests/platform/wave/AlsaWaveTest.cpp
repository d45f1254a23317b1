// The real ALSA backend: runs where a sound device answers (a sound card, a
// sound server, or the private null server that ctest starts), skipped elsewhere.
#include <chrono>
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
};
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
