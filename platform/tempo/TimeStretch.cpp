// TimeStretch on SoundTouch, which works on float samples: blocks are converted
// on the way in and out through scratch sized at Configure.
#include "platform/tempo/TimeStretch.h"

#include <SoundTouch.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <vector>

namespace platform {
namespace {
template <int Bytes>
float FromPcm(const std::uint8_t* p)
{
    if constexpr (Bytes == 1) {
        return (static_cast<int>(p[0]) - 128) / 128.0f;
    } else if constexpr (Bytes == 2) {
        std::int16_t v;
        std::memcpy(&v, p, 2);
        return v / 32768.0f;
    } else if constexpr (Bytes == 3) {
        const std::int32_t v = static_cast<std::int32_t>(static_cast<std::uint32_t>(p[0]) << 8 |
                                                         static_cast<std::uint32_t>(p[1]) << 16 |
                                                         static_cast<std::uint32_t>(p[2]) << 24) >> 8;
        return static_cast<float>(v / 8388608.0);
    } else {
        std::int32_t v;
        std::memcpy(&v, p, 4);
        return static_cast<float>(v / 2147483648.0);
    }
}

// f, limited to [-1, 1] (NaN to -1), times the sample size's full scale, rounded half
// away from zero and kept in range. The sum with one half is exact for a float scaled
// by a power of two, so this equals llround without a library call per sample.
template <int Bytes>
std::int64_t Scaled(float f)
{
    constexpr double kFull = static_cast<double>(std::int64_t(1) << (8 * Bytes - 1));
    const double v = (f > -1.0f ? std::min(static_cast<double>(f), 1.0) : -1.0) * kFull;
    return std::min(static_cast<std::int64_t>(v + (v < 0 ? -0.5 : 0.5)), static_cast<std::int64_t>(kFull) - 1);
}

template <int Bytes>
void ToPcm(float f, std::uint8_t* p)
{
    const std::int64_t v = Scaled<Bytes>(f);
    if constexpr (Bytes == 1) {
        p[0] = static_cast<std::uint8_t>(v + 128);
    } else if constexpr (Bytes == 2) {
        const auto s = static_cast<std::int16_t>(v);
        std::memcpy(p, &s, 2);
    } else if constexpr (Bytes == 3) {
        p[0] = static_cast<std::uint8_t>(v);
        p[1] = static_cast<std::uint8_t>(v >> 8);
        p[2] = static_cast<std::uint8_t>(v >> 16);
    } else {
        const auto s = static_cast<std::int32_t>(v);
        std::memcpy(p, &s, 4);
    }
}

// One loop per sample size, so the conversion is not chosen again for every sample.
template <int Bytes>
void Decode(const std::uint8_t* in, std::size_t samples, float* out)
{
    for (std::size_t i = 0; i < samples; ++i) {
        out[i] = FromPcm<Bytes>(in + i * Bytes);
    }
}

template <int Bytes>
void Encode(const float* in, std::size_t samples, std::uint8_t* out)
{
    for (std::size_t i = 0; i < samples; ++i) {
        ToPcm<Bytes>(in[i], out + i * Bytes);
    }
}

// Calls f with the sample size as a compile-time constant.
template <class F>
void ForSampleSize(int sampleBytes, F f)
{
    switch (sampleBytes) {
    case 1:
        return f(std::integral_constant<int, 1>{});
    case 2:
        return f(std::integral_constant<int, 2>{});
    case 3:
        return f(std::integral_constant<int, 3>{});
    default:
        return f(std::integral_constant<int, 4>{});
    }
}
}

struct TimeStretch::State {
    soundtouch::SoundTouch touch;
    std::vector<float> scratch;
    unsigned channels = 0;
    int sampleBytes = 0;
    std::size_t frameBytes = 0;
};

TimeStretch::TimeStretch() = default;
TimeStretch::~TimeStretch() = default;

bool TimeStretch::Configure(const WAVEFORMATEX& f, std::size_t maxBlockBytes)
{
    state_.reset();
    const int sampleBytes = f.wBitsPerSample / 8;
    if (f.wFormatTag != WAVE_FORMAT_PCM || f.wBitsPerSample % 8 != 0 || sampleBytes < 1 || sampleBytes > 4 ||
        f.nChannels < 1 || f.nChannels > 16 || f.nSamplesPerSec == 0 || f.nBlockAlign != f.nChannels * sampleBytes) {
        return false;
    }
    auto s = std::make_unique<State>();
    s->channels = f.nChannels;
    s->sampleBytes = sampleBytes;
    s->frameBytes = f.nBlockAlign;
    s->touch.setChannels(f.nChannels);
    s->touch.setSampleRate(f.nSamplesPerSec);
    s->scratch.resize(std::max<std::size_t>(maxBlockBytes / s->frameBytes, 1) * f.nChannels);
    state_ = std::move(s);
    return true;
}

bool TimeStretch::IsConfigured() const { return state_ != nullptr; }

void TimeStretch::SetSpeed(double speed)
{
    if (state_) {
        state_->touch.setTempo(std::clamp(speed, 0.1, 10.0));
    }
}

void TimeStretch::Put(const void* data, std::size_t bytes)
{
    if (!state_ || !data) {
        return;
    }
    State& s = *state_;
    const auto* p = static_cast<const std::uint8_t*>(data);
    std::size_t frames = bytes / s.frameBytes;
    const std::size_t room = s.scratch.size() / s.channels;
    while (frames > 0) {
        const std::size_t n = std::min(frames, room);
        const std::size_t samples = n * s.channels;
        ForSampleSize(s.sampleBytes, [&](auto size) { Decode<decltype(size)::value>(p, samples, s.scratch.data()); });
        p += samples * std::size_t(s.sampleBytes);
        s.touch.putSamples(s.scratch.data(), static_cast<unsigned>(n));
        frames -= n;
    }
}

std::size_t TimeStretch::Take(void* out, std::size_t maxBytes)
{
    if (!state_ || !out) {
        return 0;
    }
    State& s = *state_;
    auto* p = static_cast<std::uint8_t*>(out);
    std::size_t wanted = maxBytes / s.frameBytes;
    const std::size_t room = s.scratch.size() / s.channels;
    std::size_t written = 0;
    while (wanted > 0) {
        const unsigned got = s.touch.receiveSamples(s.scratch.data(), static_cast<unsigned>(std::min(wanted, room)));
        if (got == 0) {
            break;
        }
        const std::size_t samples = std::size_t(got) * s.channels;
        ForSampleSize(s.sampleBytes, [&](auto size) { Encode<decltype(size)::value>(s.scratch.data(), samples, p); });
        p += samples * std::size_t(s.sampleBytes);
        written += got;
        wanted -= got;
    }
    return written * s.frameBytes;
}

std::size_t TimeStretch::ReadyBytes() const
{
    return state_ ? std::size_t(state_->touch.numSamples()) * state_->frameBytes : 0;
}

void TimeStretch::Flush()
{
    if (state_) {
        state_->touch.flush();
    }
}

void TimeStretch::Clear()
{
    if (state_) {
        state_->touch.clear();
    }
}
}
