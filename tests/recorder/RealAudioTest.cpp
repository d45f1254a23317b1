// The engine on the real device backends: a WAV file fed as the input in real
// time (on the manual clock), and ALSA's default device beside a sound server.
#include "tests/recorder/RecorderFixture.h"

#include <chrono>
#include <cmath>
#include <thread>

namespace {
class RealAudio : public RecorderTest {};
}

TEST_F(RealAudio, AFileFedInputIsRecordedSampleForSample)
{
    TAPVOX_REQUIRE_TOOL("sox");
    const std::string source = dir.file("source.wav");
    int status = -1;
    testsupport::RunCapture("sox -n -r 8000 -c 2 -b 16 -e signed-integer '" + source +
                                "' synth 3.3 sine 300-3000 sine 500 >/dev/null 2>&1",
                            &status);
    ASSERT_EQ(status, 0);
    setenv("TAPVOX_AUDIO", ("file:" + source).c_str(), 1);
    Open();
    ClickRecord();
    ASSERT_TRUE(dialog->IsRecording());
    // Real time on the layer's clock: the file runs out after 3.3 s, the last buffer partly filled.
    for (int step = 0; step < 45; ++step) {
        hl::Advance(100);
    }
    ClickStop();
    const auto expected = SoxSamples(source);
    ASSERT_EQ(expected.size(), 8000u * 4 * 33 / 10);
    EXPECT_EQ(SoxSamples(CurrentName()), expected);
}

TEST_F(RealAudio, AlsaRecordsWhatIsPlayedIntoTheDefaultDevice)
{
    TAPVOX_REQUIRE_TOOL("sox");
    unsetenv("TAPVOX_AUDIO");
    platform::UseSystemClock();
    WAVEOUTCAPSA outCaps{};
    WAVEINCAPSA inCaps{};
    if (waveOutGetDevCapsA(WAVE_MAPPER, &outCaps, sizeof outCaps) != MMSYSERR_NOERROR ||
        waveInGetDevCapsA(WAVE_MAPPER, &inCaps, sizeof inCaps) != MMSYSERR_NOERROR) {
        GTEST_SKIP() << "no sound device answers here (run under with-null-sound-server)";
    }
    SampleRate = 44100;
    SoundLevel = 20;
    Open();
    ClickRecord();
    ASSERT_TRUE(dialog->IsRecording());

    // A loud tone played into the same device: the sound server's monitor hears it.
    const WAVEFORMATEX f = MakePcmFormat(2, 44100, 16);
    std::vector<std::int16_t> tone(44100 * 2 * 3);
    for (std::size_t i = 0; i < tone.size() / 2; ++i) {
        tone[2 * i] = tone[2 * i + 1] = static_cast<std::int16_t>(20000 * std::sin(2 * M_PI * 440.0 * i / 44100));
    }
    HWAVEOUT out = nullptr;
    ASSERT_EQ(waveOutOpen(&out, WAVE_MAPPER, &f, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
    WAVEHDR h{};
    h.lpData = reinterpret_cast<LPSTR>(tone.data());
    h.dwBufferLength = static_cast<DWORD>(tone.size() * 2);
    ASSERT_EQ(waveOutPrepareHeader(out, &h, sizeof h), MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutWrite(out, &h, sizeof h), MMSYSERR_NOERROR);

    // A real device keeps real time: wait on the wall clock while the loop runs.
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(6);
    while (std::chrono::steady_clock::now() < end) {
        hl::RunUntilIdle();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ClickStop();
    waveOutReset(out);
    waveOutUnprepareHeader(out, &h, sizeof h);
    waveOutClose(out);

    EXPECT_EQ(dialog->GetRestartCount(), 0);
    const auto samples = SoxSamples(CurrentName());
    // Only the tone passed the threshold: between about two and four seconds of it.
    EXPECT_GE(samples.size(), 44100u * 4 * 2);
    EXPECT_LE(samples.size(), 44100u * 4 * 5);
    auto file = ReadWave(CurrentName());
    EXPECT_GE(file->GetMarkerCount(), 1);
}
