// Play at speed: the output of a 10-second 1 kHz recording lasts 1/speed as long
// and keeps its pitch, measured by sox on what the device played, for PCM, a
// decoded WAV and Ogg Vorbis; a block never passes the output limit.
#include "tests/recorder/PlaybackFixture.h"

#include <sstream>

#include "settings/Settings.h"

namespace {
using Bytes = std::vector<std::uint8_t>;

struct Measured {
    double seconds = 0;
    double hz = 0;
};

class PlayAtSpeed : public PlaybackTest {
protected:
    // Plays the open file at speed and has sox measure the output's length and frequency.
    Measured PlayMeasured(float speed, const WAVEFORMATEX& out)
    {
        PlayRate = speed;
        Command(25210);
        EXPECT_EQ(dialog->GetSpeedMode(), 2);
        EXPECT_TRUE(dialog->IsOutputOpen());
        std::size_t largest = 0;
        Bytes played;
        for (int i = 0; i < 100000 && dialog->IsOutputOpen(); ++i) {
            script::FinishOutputBuffer();
            const Bytes block = script::TakePlayedBytes();
            largest = std::max(largest, block.size());
            played.insert(played.end(), block.begin(), block.end());
            Pump(100);
        }
        EXPECT_FALSE(dialog->IsOutputOpen());
        EXPECT_LE(largest, 44800u);
        EXPECT_EQ(dialog->GetSpeedMode(), 0);
        const std::string path = dir.file("played.wav");
        WritePcmWave(path, out, played);
        int status = -1;
        const std::string stat = testsupport::RunCapture("sox '" + path + "' -n remix 1 stat 2>&1", &status);
        EXPECT_EQ(status, 0) << stat;
        Measured m;
        std::istringstream lines(stat);
        for (std::string line; std::getline(lines, line);) {
            const std::size_t colon = line.find(':');
            if (colon == std::string::npos) {
                continue;
            }
            const double value = std::atof(line.c_str() + colon + 1);
            if (line.rfind("Length (seconds)", 0) == 0) {
                m.seconds = value;
            } else if (line.rfind("Rough   frequency", 0) == 0) {
                m.hz = value;
            }
        }
        std::printf("speed %.2f: %.3f s, %.1f Hz\n", speed, m.seconds, m.hz);
        return m;
    }
    void ExpectSpeed(const Measured& m, double seconds)
    {
        EXPECT_NEAR(m.seconds, seconds, seconds * 0.05);
        EXPECT_NEAR(m.hz, 1000.0, 20.0);
    }
};
}

TEST_F(PlayAtSpeed, PcmAtOneAndAHalfAndThreeQuartersKeepsThePitch)
{
    TAPVOX_REQUIRE_TOOL("sox");
    const WAVEFORMATEX f = MakePcmFormat(2, 44100, 16);
    OpenFile(WavWith(TonePcm(10, 1000, 44100, 2), f));
    ExpectSpeed(PlayMeasured(1.5f, f), 10 / 1.5);
    dialog->position(0, true);
    ExpectSpeed(PlayMeasured(0.75f, f), 10 / 0.75);
    // Without play at speed the recording plays as it is.
    dialog->position(0, true);
    PlayRate = 1.5f;
    ClickPlay();
    EXPECT_EQ(PlayToEnd().size(), 10u * 44100 * 4);
}

TEST_F(PlayAtSpeed, TheFastestAndSlowestSpeedsOfMono8Bit)
{
    TAPVOX_REQUIRE_TOOL("sox");
    // 8-bit mono: the scaler takes the device's own format.
    const WAVEFORMATEX f = MakePcmFormat(1, 22050, 8);
    Bytes tone(22050 * 10);
    for (std::size_t i = 0; i < tone.size(); ++i) {
        tone[i] = static_cast<std::uint8_t>(128 + std::lround(90 * std::sin(2 * M_PI * 1000.0 * double(i) / 22050)));
    }
    OpenFile(WavWith(tone, f));
    ExpectSpeed(PlayMeasured(2.0f, f), 10 / 2.0);
    dialog->position(0, true);
    ExpectSpeed(PlayMeasured(0.2f, f), 10 / 0.2);
}

TEST_F(PlayAtSpeed, ADecodedWavKeepsSpeedAndPitch)
{
    TAPVOX_REQUIRE_TOOL("sox");
    const WAVEFORMATEX f = MakePcmFormat(1, 22050, 16);
    const std::string pcm = WavWith(TonePcm(10, 1000, 22050, 1), f, "pcm.wav");
    const std::string ima = Make("sox '" + pcm + "' -e ima-adpcm '" + dir.file("ima.wav") + "'", dir.file("ima.wav"));
    OpenFile(ima);
    ExpectSpeed(PlayMeasured(1.5f, f), 10 / 1.5);
    dialog->position(0, true);
    ExpectSpeed(PlayMeasured(0.75f, f), 10 / 0.75);
}

TEST_F(PlayAtSpeed, OggVorbisKeepsSpeedAndPitch)
{
    TAPVOX_REQUIRE_TOOL("sox");
    TAPVOX_REQUIRE_TOOL("oggenc");
    const WAVEFORMATEX f = MakePcmFormat(2, 22050, 16);
    const std::string tone = WavWith(TonePcm(10, 1000, 22050, 2), f, "tone.wav");
    const std::string ogg = Make("oggenc -Q -o '" + dir.file("tone.ogg") + "' '" + tone + "'", dir.file("tone.ogg"));
    OpenFile(ogg);
    ExpectSpeed(PlayMeasured(1.5f, f), 10 / 1.5);
}
