// The contract the recorder's engine relies on, shown on the scripted device.
#include <thread>

#include "platform/wave/ScriptedWave.h"
#include "tests/platform/wave/WaveTestSupport.h"

using namespace wavetest;
namespace script = platform::scripted;

namespace {
struct ScriptedWave : ::testing::Test, DeviceOwner {
    void SetUp() override
    {
        setenv("TAPVOX_AUDIO", "script", 1);
        script::ResetWaveScript();
        platform::ClearMessageQueue();
    }
    void TearDown() override
    {
        CloseDevices();
        platform::ClearMessageQueue();
    }

    void OpenOutput()
    {
        ASSERT_EQ(waveOutOpen(&out, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(Window()), 0,
                              CALLBACK_WINDOW | WAVE_ALLOWSYNC),
                  MMSYSERR_NOERROR);
    }

};
}

TEST_F(ScriptedWave, InputBuffersReturnInQueueOrderWithTheirByteCounts)
{
    Buffers& b = Make(format);
    OpenInput(b);
    ASSERT_EQ(b[0]->dwBufferLength, 8820u);
    ASSERT_EQ(waveInStart(in), MMSYSERR_NOERROR);
    const auto samples = Pattern(8820 * 2 + 100, 1);
    EXPECT_EQ(script::FeedInput(samples.data(), samples.size()), samples.size());
    auto done = Take(MM_WIM_DATA);
    ASSERT_EQ(done.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(done[i].hwnd, Window());
        EXPECT_EQ(done[i].wParam, reinterpret_cast<WPARAM>(in));
        ASSERT_EQ(HeaderOf(done[i]), b[i]);
        EXPECT_EQ(b[i]->dwBytesRecorded, 8820u);
        EXPECT_EQ(b[i]->dwFlags & (WHDR_DONE | WHDR_INQUEUE), WHDR_DONE);
        EXPECT_EQ(b[i]->dwUser, i);
        EXPECT_EQ(Bytes(b.data[i].data(), 8820), Slice(samples, 8820 * i, 8820));
    }
    EXPECT_EQ(b[2]->dwFlags & (WHDR_DONE | WHDR_INQUEUE), WHDR_INQUEUE);
    ASSERT_TRUE(script::FinishInputBuffer());
    done = Take(MM_WIM_DATA);
    ASSERT_EQ(done.size(), 1u);
    EXPECT_EQ(HeaderOf(done[0]), b[2]);
    EXPECT_EQ(b[2]->dwBytesRecorded, 100u);
    EXPECT_EQ(script::InputQueued(), 2u);
}

TEST_F(ScriptedWave, ResetReturnsEveryQueuedBufferWithAMessageEach)
{
    Buffers& b = Make(format);
    OpenInput(b);
    ASSERT_EQ(waveInStart(in), MMSYSERR_NOERROR);
    const auto samples = Pattern(10, 2);
    script::FeedInput(samples.data(), samples.size());
    EXPECT_EQ(waveInClose(in), WAVERR_STILLPLAYING);
    ASSERT_EQ(waveInReset(in), MMSYSERR_NOERROR);
    const auto done = Take(MM_WIM_DATA);
    ASSERT_EQ(done.size(), 5u);
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(HeaderOf(done[i]), b[i]);
        EXPECT_EQ(b[i]->dwFlags & (WHDR_DONE | WHDR_INQUEUE), WHDR_DONE);
        EXPECT_EQ(b[i]->dwBytesRecorded, i == 0 ? 10u : 0u);
        EXPECT_EQ(waveInUnprepareHeader(in, b[i], sizeof(WAVEHDR)), MMSYSERR_NOERROR);
        EXPECT_EQ(b[i]->dwFlags & WHDR_PREPARED, 0u);
    }
    EXPECT_FALSE(script::InputStarted());
    EXPECT_EQ(waveInClose(in), MMSYSERR_NOERROR);
    in = nullptr;
    EXPECT_FALSE(script::InputOpen());
}

TEST_F(ScriptedWave, UnprepareOfAQueuedHeaderFailsAndLeavesItQueued)
{
    Buffers& b = Make(format);
    OpenInput(b);
    EXPECT_EQ(waveInUnprepareHeader(in, b[3], sizeof(WAVEHDR)), WAVERR_STILLPLAYING);
    EXPECT_EQ(b[3]->dwFlags, WHDR_PREPARED | WHDR_INQUEUE);
    EXPECT_EQ(waveInAddBuffer(in, b[3], sizeof(WAVEHDR)), WAVERR_STILLPLAYING);
    EXPECT_EQ(script::InputQueued(), 5u);
}

TEST_F(ScriptedWave, ADeviceThatStopsReturningBuffersPostsNothing)
{
    Buffers& b = Make(format);
    OpenInput(b);
    ASSERT_EQ(waveInStart(in), MMSYSERR_NOERROR);
    EXPECT_TRUE(Take(MM_WIM_DATA).empty());
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(b[i]->dwFlags & (WHDR_DONE | WHDR_INQUEUE), WHDR_INQUEUE);
    }
    // Stop with nothing captured returns nothing either; the caller sees the stall and resets.
    ASSERT_EQ(waveInStop(in), MMSYSERR_NOERROR);
    EXPECT_TRUE(Take(MM_WIM_DATA).empty());
    EXPECT_EQ(waveInClose(in), WAVERR_STILLPLAYING);
    EXPECT_EQ(waveInReset(in), MMSYSERR_NOERROR);
    EXPECT_EQ(Take(MM_WIM_DATA).size(), 5u);
}

TEST_F(ScriptedWave, StopThenStartResumesWithoutLosingTheHeaderOrder)
{
    Buffers& b = Make(format);
    OpenInput(b);
    ASSERT_EQ(waveInStart(in), MMSYSERR_NOERROR);
    const auto samples = Pattern(8820 * 6, 3);
    script::FeedInput(samples.data(), 4000);
    ASSERT_EQ(waveInStop(in), MMSYSERR_NOERROR);
    auto done = Take(MM_WIM_DATA);
    ASSERT_EQ(done.size(), 1u);
    EXPECT_EQ(HeaderOf(done[0]), b[0]);
    EXPECT_EQ(b[0]->dwBytesRecorded, 4000u);
    EXPECT_EQ(script::FeedInput(samples.data(), 10), 0u);  // nothing is captured while stopped
    // The recorder requeues the returned header behind the others.
    ASSERT_EQ(waveInUnprepareHeader(in, b[0], sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    ASSERT_EQ(waveInPrepareHeader(in, b[0], sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    ASSERT_EQ(waveInAddBuffer(in, b[0], sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    ASSERT_EQ(waveInStart(in), MMSYSERR_NOERROR);
    script::FeedInput(samples.data() + 4000, 8820 * 5);
    done = Take(MM_WIM_DATA);
    ASSERT_EQ(done.size(), 5u);
    const std::size_t order[] = {1, 2, 3, 4, 0};
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(HeaderOf(done[i]), b[order[i]]);
    }
    EXPECT_EQ(Bytes(b.data[1].data(), 8820), Slice(samples, 4000, 8820));
}

TEST_F(ScriptedWave, OutputPlaysInWriteOrderAndReportsEachBufferOnce)
{
    OpenOutput();
    Buffers& b = Make(format, 3);
    std::vector<std::uint8_t> expected;
    for (std::size_t i : {2u, 0u, 1u}) {
        const auto p = Pattern(b[i]->dwBufferLength, static_cast<unsigned>(10 + i));
        std::copy(p.begin(), p.end(), b.data[i].begin());
        expected.insert(expected.end(), p.begin(), p.end());
        ASSERT_EQ(waveOutPrepareHeader(out, b[i], sizeof(WAVEHDR)), MMSYSERR_NOERROR);
        ASSERT_EQ(waveOutWrite(out, b[i], sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    }
    EXPECT_EQ(waveOutWrite(out, b[0], sizeof(WAVEHDR)), WAVERR_STILLPLAYING);
    while (script::FinishOutputBuffer()) {
    }
    EXPECT_EQ(script::TakePlayedBytes(), expected);
    const auto done = Take(MM_WOM_DONE);
    ASSERT_EQ(done.size(), 3u);
    EXPECT_EQ(HeaderOf(done[0]), b[2]);
    EXPECT_EQ(HeaderOf(done[1]), b[0]);
    EXPECT_EQ(HeaderOf(done[2]), b[1]);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(b[i]->dwFlags & (WHDR_DONE | WHDR_INQUEUE), WHDR_DONE);
        EXPECT_EQ(b[i]->dwUser, i);
    }
    // Reset with nothing queued returns nothing more.
    EXPECT_EQ(waveOutReset(out), MMSYSERR_NOERROR);
    EXPECT_TRUE(Take(MM_WOM_DONE).empty());
}

TEST_F(ScriptedWave, OutputResetReturnsQueuedBuffersAndCloseThenSucceeds)
{
    OpenOutput();
    Buffers& b = Make(format);
    for (auto& h : b.headers) {
        waveOutPrepareHeader(out, &h, sizeof h);
        waveOutWrite(out, &h, sizeof h);
    }
    EXPECT_EQ(waveOutClose(out), WAVERR_STILLPLAYING);
    EXPECT_EQ(waveOutUnprepareHeader(out, b[4], sizeof(WAVEHDR)), WAVERR_STILLPLAYING);
    ASSERT_EQ(waveOutReset(out), MMSYSERR_NOERROR);
    EXPECT_EQ(Take(MM_WOM_DONE).size(), 5u);
    EXPECT_TRUE(script::TakePlayedBytes().empty());
    EXPECT_EQ(waveOutClose(out), MMSYSERR_NOERROR);
    out = nullptr;
}

TEST_F(ScriptedWave, ABusyOutputIsReportedAsAllocated)
{
    script::FailNextWaveOpen(false, MMSYSERR_ALLOCATED);
    HWAVEOUT h = reinterpret_cast<HWAVEOUT>(1);
    EXPECT_EQ(waveOutOpen(&h, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL), MMSYSERR_ALLOCATED);
    EXPECT_EQ(h, nullptr);
    OpenOutput();
    EXPECT_EQ(waveOutOpen(&h, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL), MMSYSERR_ALLOCATED);
}

TEST_F(ScriptedWave, CompletionsFromTheDeviceThreadArriveInOrder)
{
    Buffers& b = Make(format);
    OpenInput(b);
    ASSERT_EQ(waveInStart(in), MMSYSERR_NOERROR);
    const auto samples = Pattern(8820 * 40, 4);
    std::thread device([&] {
        for (std::size_t i = 0; i < 40; ++i) {
            while (script::FeedInput(samples.data() + 8820 * i, 8820) == 0) {
                std::this_thread::yield();
            }
        }
    });
    std::vector<char> got;
    for (std::size_t i = 0; i < 40; ++i) {
        MSG m{};
        ASSERT_TRUE(GetMessage(&m, nullptr, MM_WIM_DATA, MM_WIM_DATA));
        WAVEHDR* h = HeaderOf(m);
        EXPECT_EQ(h, b[i % 5]);
        EXPECT_TRUE(h->dwFlags & WHDR_DONE);
        got.insert(got.end(), h->lpData, h->lpData + h->dwBytesRecorded);
        ASSERT_EQ(waveInAddBuffer(in, h, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    }
    device.join();
    EXPECT_EQ(std::vector<std::uint8_t>(got.begin(), got.end()), samples);
}

TEST_F(ScriptedWave, DeviceListAndNamesAreCutAsWindowsCutsThem)
{
    script::SetWaveDevices({"Card one", std::string(40, 'x')}, {"Speakers"});
    EXPECT_EQ(waveInGetNumDevs(), 2u);
    EXPECT_EQ(waveOutGetNumDevs(), 1u);
    WAVEINCAPSA caps{};
    ASSERT_EQ(waveInGetDevCapsA(WAVE_MAPPER, &caps, sizeof caps), MMSYSERR_NOERROR);
    EXPECT_NE(std::string(caps.szPname).find("Mapper"), std::string::npos);
    ASSERT_EQ(waveInGetDevCapsA(1, &caps, sizeof caps), MMSYSERR_NOERROR);
    EXPECT_EQ(std::string(caps.szPname), std::string(31, 'x'));
    EXPECT_EQ(waveInGetDevCapsA(2, &caps, sizeof caps), MMSYSERR_BADDEVICEID);
    EXPECT_EQ(waveInGetDevCapsA(0, nullptr, sizeof caps), MMSYSERR_INVALPARAM);
    WAVEOUTCAPSA outCaps{};
    ASSERT_EQ(waveOutGetDevCapsA(0, &outCaps, sizeof outCaps), MMSYSERR_NOERROR);
    EXPECT_STREQ(outCaps.szPname, "Speakers");
    script::SetWaveMapper(false);
    EXPECT_NE(waveInGetDevCapsA(WAVE_MAPPER, &caps, sizeof caps), MMSYSERR_NOERROR);
    EXPECT_NE(waveInOpen(&in, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
    EXPECT_EQ(waveInOpen(&in, 5, &format, 0, 0, CALLBACK_NULL), MMSYSERR_BADDEVICEID);
}

TEST_F(ScriptedWave, BadFormatsAreRefused)
{
    struct Case {
        WORD channels;
        DWORD rate;
        WORD bits;
    };
    for (const Case c : {Case{0, 22050, 16}, Case{3, 22050, 16}, Case{2, 44100, 24}, Case{1, 0, 16},
                         Case{1, 100001, 8}}) {
        WAVEFORMATEX f = Pcm(c.channels, c.rate, c.bits);
        EXPECT_EQ(waveInOpen(&in, WAVE_MAPPER, &f, 0, 0, CALLBACK_NULL), WAVERR_BADFORMAT)
            << c.channels << " " << c.rate << " " << c.bits;
        EXPECT_EQ(in, nullptr);
        EXPECT_EQ(waveOutOpen(&out, WAVE_MAPPER, &f, 0, 0, CALLBACK_NULL), WAVERR_BADFORMAT);
        EXPECT_EQ(out, nullptr);
    }
    WAVEFORMATEX f = Pcm(2, 44100, 16);
    f.nBlockAlign = 2;  // inconsistent with two 16-bit channels
    EXPECT_EQ(waveInOpen(&in, WAVE_MAPPER, &f, 0, 0, CALLBACK_NULL), WAVERR_BADFORMAT);
    f = Pcm(1, 8000, 8);
    f.wFormatTag = WAVE_FORMAT_ALAW;
    EXPECT_EQ(waveInOpen(&in, WAVE_MAPPER, &f, 0, 0, CALLBACK_NULL), WAVERR_BADFORMAT);
    EXPECT_EQ(waveInOpen(&in, WAVE_MAPPER, nullptr, 0, 0, CALLBACK_NULL), MMSYSERR_INVALPARAM);
    f = Pcm(1, 100000, 8);
    EXPECT_EQ(waveInOpen(&in, WAVE_MAPPER, &f, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
}

TEST_F(ScriptedWave, BadHeadersAndHandlesAreRefused)
{
    Buffers& b = Make(format, 1);
    ASSERT_EQ(waveInOpen(&in, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
    WAVEHDR h = *b[0];
    h.lpData = nullptr;
    EXPECT_EQ(waveInPrepareHeader(in, &h, sizeof h), MMSYSERR_INVALPARAM);
    h = *b[0];
    h.dwBufferLength = 0;
    EXPECT_EQ(waveInPrepareHeader(in, &h, sizeof h), MMSYSERR_INVALPARAM);
    EXPECT_EQ(waveInPrepareHeader(in, nullptr, sizeof h), MMSYSERR_INVALPARAM);
    EXPECT_EQ(waveInPrepareHeader(in, b[0], 8), MMSYSERR_INVALPARAM);
    EXPECT_EQ(waveInAddBuffer(in, b[0], sizeof(WAVEHDR)), WAVERR_UNPREPARED);
    EXPECT_EQ(waveInStart(reinterpret_cast<HWAVEIN>(b[0])), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveInClose(nullptr), MMSYSERR_INVALHANDLE);
    // A handle of the other direction is not followed either.
    EXPECT_EQ(waveOutReset(reinterpret_cast<HWAVEOUT>(in)), MMSYSERR_INVALHANDLE);
    ASSERT_EQ(waveInClose(in), MMSYSERR_NOERROR);
    EXPECT_EQ(waveInStart(in), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveInClose(in), MMSYSERR_INVALHANDLE);
    in = nullptr;
}

TEST_F(ScriptedWave, NoMessagesWithoutACallbackWindow)
{
    Buffers& b = Make(format, 1);
    ASSERT_EQ(waveInOpen(&in, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
    waveInPrepareHeader(in, b[0], sizeof(WAVEHDR));
    waveInAddBuffer(in, b[0], sizeof(WAVEHDR));
    waveInStart(in);
    ASSERT_TRUE(script::FinishInputBuffer());
    EXPECT_TRUE(b[0]->dwFlags & WHDR_DONE);
    EXPECT_TRUE(Take(MM_WIM_DATA).empty());
}

// An input whose buffers are all out keeps what its device delivers and hands
// it on in order; what does not fit is a gap marked on the first buffer after it.
namespace {
struct InputRing : ScriptedWave {
    void TearDown() override
    {
        ScriptedWave::TearDown();
        unsetenv("TAPVOX_INPUT_RING_MS");
    }
    // Gives a returned header back, as the recorder does, and takes what it holds when it returns at once.
    std::vector<std::uint8_t> Requeue(WAVEHDR* h)
    {
        EXPECT_EQ(waveInAddBuffer(in, h, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
        const auto done = Take(MM_WIM_DATA);
        if (done.empty()) {
            return {};
        }
        EXPECT_EQ(done.size(), 1u);
        EXPECT_EQ(HeaderOf(done[0]), h);
        return Bytes(h->lpData, h->dwBytesRecorded);
    }
    DWORD Position()
    {
        MMTIME t{};
        t.wType = TIME_BYTES;
        EXPECT_EQ(waveInGetPosition(in, &t, sizeof t), MMSYSERR_NOERROR);
        EXPECT_EQ(t.wType, TIME_BYTES);
        return t.u.cb;
    }
};
}

TEST_F(InputRing, WhatArrivesWhileEveryBufferIsOutComesNextInOrderAndAStopHandsOutTheRest)
{
    Buffers& b = Make(format);
    OpenInput(b);
    ASSERT_EQ(waveInStart(in), MMSYSERR_NOERROR);
    // Twelve and a half buffers while nobody takes any: all of it is captured.
    const auto samples = Pattern(8820 * 12 + 4410, 7);
    ASSERT_EQ(script::FeedInput(samples.data(), samples.size()), samples.size());
    EXPECT_EQ(Position(), samples.size());
    ASSERT_EQ(Take(MM_WIM_DATA).size(), 5u);
    std::vector<std::uint8_t> got;
    for (std::size_t i = 0; i < 5; ++i) {
        const auto part = Bytes(b[i]->lpData, b[i]->dwBytesRecorded);
        got.insert(got.end(), part.begin(), part.end());
    }
    for (std::size_t i = 0; i < 7; ++i) {
        const auto part = Requeue(b[i % 5]);
        ASSERT_EQ(part.size(), 8820u) << i;
        EXPECT_EQ(b[i % 5]->dwFlags & WHDR_GAP, 0u);
        got.insert(got.end(), part.begin(), part.end());
    }
    // The half buffer waits in the next header until the stop returns it.
    EXPECT_TRUE(Requeue(b[2]).empty());
    ASSERT_EQ(waveInStop(in), MMSYSERR_NOERROR);
    const auto done = Take(MM_WIM_DATA);
    ASSERT_EQ(done.size(), 1u);
    const auto tail = Bytes(b[2]->lpData, b[2]->dwBytesRecorded);
    got.insert(got.end(), tail.begin(), tail.end());
    EXPECT_EQ(got, samples);
    // A reset drops nothing more and starts the position again.
    ASSERT_EQ(waveInReset(in), MMSYSERR_NOERROR);
    EXPECT_EQ(Position(), 0u);
}

TEST_F(InputRing, AFullRingLosesOnlyWhatDidNotFitAndTheFirstBufferAfterTheGapSaysHowMuch)
{
    // A ring of one and a half buffers.
    setenv("TAPVOX_INPUT_RING_MS", "300", 1);
    Buffers& b = Make(format);
    OpenInput(b);
    ASSERT_EQ(waveInStart(in), MMSYSERR_NOERROR);
    const auto samples = Pattern(8820 * 9, 8);
    // Five buffers fill the queue, one and a half wait, one is lost; then one and a half more.
    ASSERT_EQ(script::FeedInput(samples.data(), 8820 * 6 + 4410), 8820u * 6 + 4410);
    ASSERT_EQ(script::FeedInput(samples.data() + 8820 * 6 + 4410, 8820), 8820u);
    ASSERT_EQ(Take(MM_WIM_DATA).size(), 5u);
    EXPECT_EQ(Position(), 8820u * 7 + 4410);
    EXPECT_EQ(Requeue(b[0]), Slice(samples, 8820 * 5, 8820));
    // The buffer that reaches the gap ends there.
    EXPECT_EQ(Requeue(b[1]), Slice(samples, 8820 * 6, 4410));
    EXPECT_EQ(b[1]->dwFlags & WHDR_GAP, 0u);
    ASSERT_EQ(script::FeedInput(samples.data() + 8820 * 7 + 4410, 8820 + 4410), 8820u + 4410);
    EXPECT_EQ(Requeue(b[2]), Slice(samples, 8820 * 7 + 4410, 8820));
    EXPECT_EQ(b[2]->dwFlags & WHDR_GAP, WHDR_GAP);
    EXPECT_EQ(b[2]->reserved, 8820u);
    EXPECT_EQ(Requeue(b[3]), std::vector<std::uint8_t>{});
    ASSERT_EQ(waveInStop(in), MMSYSERR_NOERROR);
    ASSERT_EQ(Take(MM_WIM_DATA).size(), 1u);
    EXPECT_EQ(Bytes(b[3]->lpData, b[3]->dwBytesRecorded), Slice(samples, 8820 * 8 + 4410, 4410));
    EXPECT_EQ(b[3]->dwFlags & WHDR_GAP, 0u);
    // Queued again, a header carries no old gap.
    EXPECT_EQ(waveInAddBuffer(in, b[2], sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    EXPECT_EQ(b[2]->dwFlags & WHDR_GAP, 0u);
}
