#pragma once
// Playback on the scripted output device: recordings written here (every sample
// known) or made by independent encoders, played one header at a time as a
// device that keeps up would, with the end messages the engine posts counted.
#include "tests/recorder/RecorderFixture.h"

#include <cmath>

#include "platform/core/Bytes.h"
#include "recorder/PrivateMessages.h"
#include "settings/PlayBackSettings.h"

// A PCM WAV file of exactly these sample bytes.
inline void WritePcmWave(const std::string& path, const WAVEFORMATEX& f, const std::vector<std::uint8_t>& data)
{
    std::vector<std::uint8_t> out(44 + data.size());
    std::memcpy(&out[0], "RIFF", 4);
    platform::StoreLe32(&out[4], static_cast<std::uint32_t>(36 + data.size()));
    std::memcpy(&out[8], "WAVEfmt ", 8);
    platform::StoreLe32(&out[16], 16);
    platform::StoreLe16(&out[20], WAVE_FORMAT_PCM);
    platform::StoreLe16(&out[22], f.nChannels);
    platform::StoreLe32(&out[24], f.nSamplesPerSec);
    platform::StoreLe32(&out[28], f.nAvgBytesPerSec);
    platform::StoreLe16(&out[32], f.nBlockAlign);
    platform::StoreLe16(&out[34], f.wBitsPerSample);
    std::memcpy(&out[36], "data", 4);
    platform::StoreLe32(&out[40], static_cast<std::uint32_t>(data.size()));
    std::copy(data.begin(), data.end(), out.begin() + 44);
    testsupport::WriteAll(path, out);
}

// frames of the counted 16-bit stereo stream, all of them loud.
inline std::vector<std::uint8_t> CountedPcm(std::uint32_t frames, std::uint32_t first = 0)
{
    std::vector<std::uint8_t> bytes(frames * 4);
    for (std::uint32_t i = 0; i < frames; ++i) {
        CountedFrame(first + i, true, &bytes[i * 4]);
    }
    return bytes;
}

// A sine tone of 16-bit samples.
inline std::vector<std::uint8_t> TonePcm(double seconds, double hz, DWORD rate, WORD channels, double amplitude = 12000)
{
    const std::size_t frames = static_cast<std::size_t>(seconds * rate);
    std::vector<std::uint8_t> bytes(frames * channels * 2);
    for (std::size_t i = 0; i < frames; ++i) {
        const auto v = static_cast<std::int16_t>(std::lround(amplitude * std::sin(2 * M_PI * hz * double(i) / rate)));
        for (WORD c = 0; c < channels; ++c) {
            platform::StoreLe16(&bytes[(i * channels + c) * 2], static_cast<std::uint16_t>(v));
        }
    }
    return bytes;
}

class PlaybackTest : public RecorderTest {
protected:
    void SetUp() override
    {
        RecorderTest::SetUp();
        SoundByte = 2;
        PlayRate = 1.0f;
    }

    // The main window with a recording opened as File Open does.
    void OpenFile(const std::string& path)
    {
        Open();
        ASSERT_TRUE(dialog->openfile(path.c_str(), -1)) << path;
    }
    std::string WavWith(const std::vector<std::uint8_t>& data, const WAVEFORMATEX& f, const char* name = "play.wav")
    {
        const std::string path = dir.file(name);
        WritePcmWave(path, f, data);
        return path;
    }
    void ClickPlay() { hl::Click(GetDlgItem(dialog->GetHandle(), 151)); }
    void Command(UINT id) { SendMessage(dialog->GetHandle(), WM_COMMAND, id, 0); }

    // Runs the loop by hand for ms of the clock, counting the end messages as they are handled.
    void Pump(std::uint64_t ms)
    {
        platform::AdvanceClock(ms);
        MSG msg;
        while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                return;
            }
            if (dialog && msg.hwnd == dialog->GetHandle()) {
                stopsPosted += msg.message == UM_STOP;
                recordAgainPosted += msg.message == UM_STOP_AND_RECORD;
            }
            platform::ProcessMessage(&msg);
        }
    }
    // Plays up to count headers, one per 100 ms of the clock (the play timer's step).
    void PlayBuffers(int count)
    {
        for (int i = 0; i < count && dialog->IsOutputOpen(); ++i) {
            script::FinishOutputBuffer();
            Pump(100);
        }
    }
    // Plays until the engine closes the output; returns everything the device played.
    std::vector<std::uint8_t> PlayToEnd()
    {
        for (int i = 0; i < 100000 && dialog->IsOutputOpen(); ++i) {
            script::FinishOutputBuffer();
            Pump(100);
        }
        EXPECT_FALSE(dialog->IsOutputOpen()) << "playback did not end";
        return script::TakePlayedBytes();
    }
    // Raw 16-bit samples an independent decoder writes to its standard output.
    std::vector<std::uint8_t> Decoded(const std::string& command)
    {
        const std::string raw = dir.file("decoded.raw");
        int status = -1;
        testsupport::RunCapture(command + " > '" + raw + "' 2>/dev/null", &status);
        EXPECT_EQ(status, 0) << command;
        return testsupport::ReadAll(raw);
    }
    std::string Make(const std::string& command, const std::string& path)
    {
        int status = -1;
        const std::string out = testsupport::RunCapture(command + " 2>&1", &status);
        EXPECT_EQ(status, 0) << command << "\n" << out;
        return path;
    }

    int stopsPosted = 0;
    int recordAgainPosted = 0;
};

// The largest difference between two runs of 16-bit samples of the same length.
inline int LargestDifference(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b)
{
    int most = 0;
    for (std::size_t i = 0; i + 1 < std::min(a.size(), b.size()); i += 2) {
        const int x = static_cast<std::int16_t>(platform::LoadLe16(&a[i]));
        const int y = static_cast<std::int16_t>(platform::LoadLe16(&b[i]));
        most = std::max(most, std::abs(x - y));
    }
    return most;
}
