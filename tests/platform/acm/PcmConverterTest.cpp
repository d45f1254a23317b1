// The PCM converter: rate, channels and sample size, in buffers or at once.
#include "tests/platform/acm/AcmTestUtil.h"

using namespace acmtest;

namespace {

std::vector<std::int16_t> Sine(DWORD rate, double freq, double seconds, WORD channels)
{
    const std::size_t n = static_cast<std::size_t>(rate * seconds);
    std::vector<std::int16_t> v(n * channels);
    for (std::size_t i = 0; i < n; ++i) {
        for (WORD c = 0; c < channels; ++c) {
            v[i * channels + c] = static_cast<std::int16_t>(std::lround(12000 * std::sin(2 * M_PI * freq * i / rate)));
        }
    }
    return v;
}

} // namespace

TEST(AcmPcm, RateConversionKeepsPitchAndLength)
{
    struct Case {
        DWORD from;
        DWORD to;
    };
    for (const Case c : {Case{44100, 22050}, Case{8000, 44100}, Case{22050, 48000}, Case{48000, 11025}}) {
        const WAVEFORMATEX a = Pcm(1, c.from);
        const WAVEFORMATEX b = Pcm(1, c.to);
        const auto in = Sine(c.from, 440, 1.0, 1);
        const Converted r = ConvertAll(&a, &b, ToBytes(in), a.nAvgBytesPerSec / 5);
        ASSERT_TRUE(r.ok);
        const auto out = ToSamples(r.out);
        EXPECT_NEAR(static_cast<double>(out.size()), static_cast<double>(c.to), 2.0);
        const auto expect = Sine(c.to, 440, 1.0, 1);
        EXPECT_GT(SnrDb(expect, out), 30.0) << c.from << "->" << c.to;
    }
}

TEST(AcmPcm, BuffersGiveTheSameResultAsOneConversion)
{
    const auto audio = ToBytes(SpeechLike(22050, 2, 2.0));
    const WAVEFORMATEX a = Pcm(2, 22050);
    for (const WAVEFORMATEX& b : {Pcm(1, 8000, 8), Pcm(2, 44100), Pcm(1, 22050), Pcm(2, 16000, 8)}) {
        const Converted whole = ConvertAll(&a, &b, audio, audio.size());
        const Converted parts = ConvertAll(&a, &b, audio, a.nAvgBytesPerSec / 5);
        const Converted odd = ConvertAll(&a, &b, audio, 4 * 333);
        ASSERT_TRUE(whole.ok && parts.ok && odd.ok);
        EXPECT_EQ(whole.out, parts.out);
        EXPECT_EQ(whole.out, odd.out);
    }
}

TEST(AcmPcm, ChannelsAndSampleSize)
{
    const WAVEFORMATEX stereo = Pcm(2, 8000);
    const WAVEFORMATEX mono8 = Pcm(1, 8000, 8);
    const std::vector<std::int16_t> in = {1000, 3000, -32768, -32768, 32767, 32767, 0, 256};
    const Converted r = ConvertAll(&stereo, &mono8, ToBytes(in), 16);
    ASSERT_EQ(r.out.size(), 4u);
    EXPECT_EQ(r.out[0], 128 + (2000 >> 8));
    EXPECT_EQ(r.out[1], 0);
    EXPECT_EQ(r.out[2], 255);
    EXPECT_EQ(r.out[3], 128);
    const Converted back = ConvertAll(&mono8, &stereo, r.out, 4);
    const auto s = ToSamples(back.out);
    ASSERT_EQ(s.size(), 8u);
    EXPECT_EQ(s[0], s[1]);
    EXPECT_EQ(s[2], -32768);
    EXPECT_EQ(s[4], 127 * 256);
}

TEST(AcmPcm, ExtremeUpsamplingIsRefused)
{
    WAVEFORMATEX a = Pcm(1, 1000);
    WAVEFORMATEX b = Pcm(1, 96000);
    EXPECT_EQ(acmStreamOpen(nullptr, nullptr, &a, &b, nullptr, 0, 0, ACM_STREAMOPENF_QUERY), ACMERR_NOTPOSSIBLE);
    EXPECT_EQ(acmStreamOpen(nullptr, nullptr, &b, &a, nullptr, 0, 0, ACM_STREAMOPENF_QUERY), MMSYSERR_NOERROR);
}
