// MPEG Layer-3 streams: encoding in engine buffers, decoding, the encoder
// delay, the flush at the end, and an independent decoder's view.
#include "tests/platform/acm/AcmTestUtil.h"
#include "tests/support/TestSupport.h"

#include <sstream>

using namespace acmtest;

namespace {

Bytes Mp3FormatFor(const WAVEFORMATEX& pcm, DWORD kbps)
{
    Bytes f(64, 0);
    auto* w = reinterpret_cast<LPWAVEFORMATEX>(f.data());
    w->wFormatTag = WAVE_FORMAT_MPEGLAYER3;
    w->nChannels = pcm.nChannels;
    w->nSamplesPerSec = pcm.nSamplesPerSec;
    EXPECT_EQ(acmFormatSuggest(nullptr, const_cast<LPWAVEFORMATEX>(&pcm), w, 64, 0x70000), MMSYSERR_NOERROR);
    w->nAvgBytesPerSec = kbps * 125;
    MPEGLAYER3WAVEFORMAT m{};
    std::memcpy(&m, f.data(), sizeof m);
    m.nBlockSize = static_cast<WORD>((pcm.nSamplesPerSec >= 32000 ? 144 : 72) * kbps * 1000 / pcm.nSamplesPerSec);
    std::memcpy(f.data(), &m, sizeof m);
    f.resize(sizeof m);
    return f;
}

// Lag (in frames) at which channel 0 of `b` best matches `a`.
std::size_t BestLag(const std::vector<std::int16_t>& a, const std::vector<std::int16_t>& b, WORD ch, std::size_t max,
                    double* best)
{
    std::size_t lag = 0;
    *best = -2;
    for (std::size_t l = 0; l < max; ++l) {
        const double c = Correlation(a, b, l, ch, 0);
        if (c > *best) {
            *best = c;
            lag = l;
        }
    }
    return lag;
}

} // namespace

TEST(AcmMp3, EncodeDecodeRoundTripCorrelatesAfterTheDelay)
{
    const WAVEFORMATEX pcm = Pcm(2, 44100);
    const Bytes mp3 = Mp3FormatFor(pcm, 128);
    const auto audio = SpeechLike(44100, 2, 3.0);
    const Bytes in = ToBytes(audio);
    const std::size_t engineBuffer = pcm.nAvgBytesPerSec / 5;
    const Converted enc = ConvertAll(&pcm, mp3.data(), in, engineBuffer);
    ASSERT_TRUE(enc.ok);
    EXPECT_FALSE(enc.anyError);
    // 128 kbit/s for 3 s plus at most the flushed frames.
    EXPECT_NEAR(static_cast<double>(enc.out.size()), 3.0 * 16000, 16000 * 0.1);
    ASSERT_GE(enc.out.size(), 4u);
    EXPECT_EQ(enc.out[0], 0xFF); // the stream starts with a frame, no header or tag
    EXPECT_EQ(enc.out[1] & 0xE0, 0xE0);

    const Converted dec = ConvertAll(mp3.data(), &pcm, enc.out, 3200);
    ASSERT_TRUE(dec.ok);
    EXPECT_FALSE(dec.anyError);
    const auto back = ToSamples(dec.out);
    // Every input sample comes back, behind the codec delay.
    EXPECT_GE(back.size() / 2, audio.size() / 2 + 1105);
    EXPECT_LT(back.size() / 2, audio.size() / 2 + 1105 + 2 * 1152);
    double corr = 0;
    const std::size_t lag = BestLag(audio, back, 2, 3000, &corr);
    EXPECT_NEAR(static_cast<double>(lag), 1105.0, 2.0);
    EXPECT_GT(corr, 0.95);
    EXPECT_GT(Correlation(audio, back, lag, 2, 1), 0.95);
}

// The engine's fifth-of-a-second buffers give byte for byte what one
// conversion of the whole recording gives, both ways.
TEST(AcmMp3, BuffersGiveTheSameStreamAsOneConversion)
{
    for (const WAVEFORMATEX& pcm : {Pcm(2, 44100), Pcm(1, 22050), Pcm(1, 8000)}) {
        const Bytes mp3 = Mp3FormatFor(pcm, pcm.nSamplesPerSec == 44100 ? 128 : 32);
        const Bytes in = ToBytes(SpeechLike(pcm.nSamplesPerSec, pcm.nChannels, 2.0));
        const Converted whole = ConvertAll(&pcm, mp3.data(), in, in.size());
        const Converted parts = ConvertAll(&pcm, mp3.data(), in, pcm.nAvgBytesPerSec / 5);
        ASSERT_TRUE(whole.ok && parts.ok);
        EXPECT_EQ(whole.out, parts.out);
        const Converted decWhole = ConvertAll(mp3.data(), &pcm, whole.out, whole.out.size());
        const Converted decParts = ConvertAll(mp3.data(), &pcm, whole.out, pcm.nAvgBytesPerSec / 5 / 11);
        EXPECT_EQ(decWhole.out, decParts.out);
        EXPECT_FALSE(decParts.anyError);
    }
}

// Without the end flag the encoder keeps its look-ahead; the end flushes it,
// and a stream that saw no data flushes nothing.
TEST(AcmMp3, EndFlushesTheEncoder)
{
    const WAVEFORMATEX pcm = Pcm(1, 44100);
    const Bytes mp3 = Mp3FormatFor(pcm, 64);
    const Bytes in = ToBytes(SpeechLike(44100, 1, 1.0));
    const Converted open = ConvertAll(&pcm, mp3.data(), in, 8820, false);
    const Converted closed = ConvertAll(&pcm, mp3.data(), in, 8820, true);
    ASSERT_TRUE(open.ok && closed.ok);
    EXPECT_LT(open.out.size(), closed.out.size());
    EXPECT_TRUE(std::equal(open.out.begin(), open.out.end(), closed.out.begin()));
    const Converted nothing = ConvertAll(&pcm, mp3.data(), Bytes{}, 8820, true);
    EXPECT_TRUE(nothing.out.empty());
}

// An independent decoder reads the stream with the right rate, channels and
// length.
TEST(AcmMp3, IndependentDecoderReadsTheStream)
{
    TAPVOX_REQUIRE_TOOL("mpg123");
    testsupport::TempDir dir;
    for (const WAVEFORMATEX& pcm : {Pcm(2, 44100), Pcm(1, 16000)}) {
        const Bytes mp3 = Mp3FormatFor(pcm, pcm.nChannels == 2 ? 128 : 32);
        const double seconds = 2.4;
        const Converted enc =
            ConvertAll(&pcm, mp3.data(), ToBytes(SpeechLike(pcm.nSamplesPerSec, pcm.nChannels, seconds)),
                       pcm.nAvgBytesPerSec / 5);
        ASSERT_TRUE(enc.ok);
        const std::string name = dir.file(std::string("s").append(std::to_string(pcm.nSamplesPerSec)) + ".mp3");
        testsupport::WriteAll(name, enc.out);
        testsupport::SaveSeed("acm_decoders", name);
        const std::string wav = name + ".wav";
        int status = 0;
        testsupport::RunCapture("mpg123 -q -w '" + wav + "' '" + name + "' 2>&1", &status);
        ASSERT_EQ(status, 0);
        const auto out = testsupport::ReadAll(wav);
        ASSERT_GT(out.size(), 44u);
        DWORD rate = 0;
        WORD channels = 0;
        std::memcpy(&channels, out.data() + 22, 2);
        std::memcpy(&rate, out.data() + 24, 4);
        EXPECT_EQ(rate, +pcm.nSamplesPerSec);
        EXPECT_EQ(+channels, +pcm.nChannels);
        const double decoded = static_cast<double>(out.size() - 44) / pcm.nAvgBytesPerSec;
        EXPECT_NEAR(decoded, seconds, 0.15);
    }
}

TEST(AcmMp3, GarbageToTheDecoderIsReportedNotCrashed)
{
    const WAVEFORMATEX pcm = Pcm(2, 44100);
    const Bytes mp3 = Mp3FormatFor(pcm, 128);
    std::mt19937 rng(3);
    Bytes junk(200000);
    for (auto& b : junk) {
        b = static_cast<BYTE>(rng());
    }
    const Converted r = ConvertAll(mp3.data(), &pcm, junk, 3200);
    ASSERT_TRUE(r.ok);
    EXPECT_TRUE(r.anyError);
    // Frame headers all of the wrong shape (mono 22.05 kHz) in a 44.1 kHz
    // stereo stream: reported, nothing written.
    const WAVEFORMATEX mono = Pcm(1, 22050);
    const Bytes other = Mp3FormatFor(mono, 32);
    const Converted enc = ConvertAll(&mono, other.data(), ToBytes(SpeechLike(22050, 1, 1.0)), 4410);
    const Converted wrong = ConvertAll(mp3.data(), &pcm, enc.out, 3200);
    EXPECT_TRUE(wrong.anyError);
    EXPECT_TRUE(wrong.out.empty());
}

// Playback never sends the end flag: the last frame must still come out.
TEST(AcmMp3, DecoderGivesTheLastFrameWithoutTheEndFlag)
{
    const WAVEFORMATEX pcm = Pcm(1, 22050);
    const Bytes mp3 = Mp3FormatFor(pcm, 32);
    const Converted enc = ConvertAll(&pcm, mp3.data(), ToBytes(SpeechLike(22050, 1, 1.0)), 4410);
    const Converted withEnd = ConvertAll(mp3.data(), &pcm, enc.out, 800, true);
    const Converted without = ConvertAll(mp3.data(), &pcm, enc.out, 800, false);
    EXPECT_EQ(without.out, withEnd.out);
    EXPECT_GE(without.out.size() / 2, 22050u + 1105u);
}
