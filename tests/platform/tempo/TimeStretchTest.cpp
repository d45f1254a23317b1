// TimeStretch on every PCM sample size: the output lasts 1/speed as long with each
// channel's level, sign and centre kept, full scale is limited rather than wrapped,
// and blocks are cut to whole frames.
#include "platform/tempo/TimeStretch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {
using Bytes = std::vector<std::uint8_t>;
constexpr DWORD kRate = 22050;

// One sample in [-1, 1] as `bits` PCM (8-bit unsigned, the rest signed little-endian).
void PutSample(double x, WORD bits, std::uint8_t* p)
{
    const int bytes = bits / 8;
    const double full = std::ldexp(1.0, bits - 1);
    const auto v = static_cast<std::int64_t>(std::fmin(std::round(x * full), full - 1));
    if (bits == 8) {
        p[0] = static_cast<std::uint8_t>(v + 128);
        return;
    }
    for (int i = 0; i < bytes; ++i) {
        p[i] = static_cast<std::uint8_t>(static_cast<std::uint64_t>(v) >> (8 * i));
    }
}

double GetSample(const std::uint8_t* p, WORD bits)
{
    if (bits == 8) {
        return (p[0] - 128) / 128.0;
    }
    const int bytes = bits / 8;
    std::uint64_t u = 0;
    for (int i = 0; i < bytes; ++i) {
        u |= std::uint64_t(p[i]) << (8 * i);
    }
    const auto v = static_cast<std::int64_t>(u << (64 - bits)) >> (64 - bits);
    return static_cast<double>(v) / std::ldexp(1.0, bits - 1);
}

// Stereo from one function of time per channel.
template <class Left, class Right>
Bytes Stereo(WORD bits, double seconds, Left left, Right right)
{
    const std::size_t frames = static_cast<std::size_t>(kRate * seconds);
    const std::size_t sample = bits / 8;
    Bytes v(frames * 2 * sample);
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / kRate;
        PutSample(left(t), bits, &v[(2 * i) * sample]);
        PutSample(right(t), bits, &v[(2 * i + 1) * sample]);
    }
    return v;
}

// Played as playback does: blocks of a fifth of a second in, whatever is ready out, then the end.
Bytes Stretched(const WAVEFORMATEX& f, double speed, const Bytes& in)
{
    platform::TimeStretch stretch;
    const std::size_t block = f.nAvgBytesPerSec / 5;
    EXPECT_TRUE(stretch.Configure(f, block));
    stretch.SetSpeed(speed);
    Bytes out;
    Bytes buffer(block);
    for (std::size_t at = 0; at < in.size(); at += block) {
        stretch.Put(in.data() + at, std::min(block, in.size() - at));
        while (const std::size_t n = stretch.Take(buffer.data(), buffer.size())) {
            out.insert(out.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(n));
        }
    }
    stretch.Flush();
    while (const std::size_t n = stretch.Take(buffer.data(), buffer.size())) {
        out.insert(out.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(n));
    }
    return out;
}

struct Channel {
    double mean = 0;
    double rms = 0;
    double peak = 0;
    int signChanges = 0;
};

Channel Measure(const Bytes& pcm, WORD bits, int channel)
{
    const std::size_t sample = bits / 8;
    const std::size_t frames = pcm.size() / (2 * sample);
    Channel c;
    double previous = 0;
    for (std::size_t i = 0; i < frames; ++i) {
        const double x = GetSample(&pcm[(2 * i + channel) * sample], bits);
        c.mean += x;
        c.rms += x * x;
        c.peak = std::fmax(c.peak, std::fabs(x));
        c.signChanges += i > 0 && (x < 0) != (previous < 0);
        previous = x;
    }
    c.mean /= static_cast<double>(frames);
    c.rms = std::sqrt(c.rms / static_cast<double>(frames));
    return c;
}

class TimeStretchBits : public ::testing::TestWithParam<WORD> {};

TEST_P(TimeStretchBits, KeepsEachChannelsLevelSignAndCentre)
{
    const WORD bits = GetParam();
    const WAVEFORMATEX f = MakePcmFormat(2, kRate, bits);
    // Opposite signs and levels on the two channels: a swap, a lost sign or a wrong centre shows.
    const auto tone = [](double t) { return 0.5 * std::sin(2 * M_PI * 500 * t); };
    const Bytes in = Stereo(bits, 2.0, tone, [&tone](double t) { return -0.5 * tone(t); });
    for (const double speed : {0.75, 1.5, 2.0}) {
        SCOPED_TRACE(speed);
        const Bytes out = Stretched(f, speed, in);
        EXPECT_NEAR(static_cast<double>(out.size()), in.size() / speed, f.nAvgBytesPerSec * 0.05);
        const Channel left = Measure(out, bits, 0);
        const Channel right = Measure(out, bits, 1);
        EXPECT_NEAR(left.rms, 0.5 / std::sqrt(2.0), 0.03);
        EXPECT_NEAR(right.rms, 0.25 / std::sqrt(2.0), 0.02);
        EXPECT_NEAR(left.mean, 0.0, 0.003);
        EXPECT_NEAR(right.mean, 0.0, 0.003);
        const std::size_t sample = bits / 8;
        double product = 0;
        for (std::size_t i = 0; i + 2 * sample <= out.size(); i += 2 * sample) {
            product += GetSample(&out[i], bits) * GetSample(&out[i + sample], bits);
        }
        EXPECT_LT(product, 0.0);
    }
}

TEST_P(TimeStretchBits, LimitsFullScaleRatherThanWrapping)
{
    const WORD bits = GetParam();
    const WAVEFORMATEX f = MakePcmFormat(2, kRate, bits);
    // A full-scale 100 Hz square wave: the scaler's output overshoots it, which must stay
    // at the limit; a value wrapped to the other sign would add sign changes.
    const auto square = [](double t) { return std::sin(2 * M_PI * 100 * t) >= 0 ? 1.0 : -1.0; };
    const Bytes in = Stereo(bits, 2.0, square, square);
    const Bytes out = Stretched(f, 1.5, in);
    const Channel left = Measure(out, bits, 0);
    const double seconds = static_cast<double>(out.size()) / f.nAvgBytesPerSec;
    EXPECT_GT(left.peak, 0.98);
    EXPECT_NEAR(left.signChanges / seconds, 200.0, 40.0);
}

INSTANTIATE_TEST_SUITE_P(SampleSizes, TimeStretchBits, ::testing::Values(WORD(8), WORD(16), WORD(24), WORD(32)));

TEST(TimeStretch, CutsBlocksToWholeFrames)
{
    platform::TimeStretch stretch;
    ASSERT_TRUE(stretch.Configure(MakePcmFormat(2, kRate, 16), 4000));
    stretch.SetSpeed(1.0);
    const Bytes in = Stereo(16, 1.0, [](double t) { return 0.3 * std::sin(2 * M_PI * 300 * t); },
                            [](double t) { return 0.3 * std::sin(2 * M_PI * 300 * t); });
    // A block of more than the configured size, ending in part of a frame.
    stretch.Put(in.data(), 8003);
    stretch.Flush();
    EXPECT_EQ(stretch.ReadyBytes() % 4, 0u);
    Bytes out(7);
    EXPECT_EQ(stretch.Take(out.data(), 7), 4u);
    Bytes rest(20000);
    const std::size_t taken = stretch.Take(rest.data(), rest.size());
    EXPECT_EQ(taken % 4, 0u);
    EXPECT_NEAR(static_cast<double>(taken + 4), 8000.0, 400.0);
    stretch.Clear();
    EXPECT_EQ(stretch.ReadyBytes(), 0u);
}
}  // namespace
