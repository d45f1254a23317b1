// TimeStretch on SoundTouch, which works on float samples: blocks are converted
// on the way in and out through scratch sized at Configure.
#include "platform/tempo/TimeStretch.h"

#include <SoundTouch.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace platform {
namespace {
float FromPcm(const std::uint8_t* p, int bytes)
{
    switch (bytes) {
    case 1:
        return (static_cast<int>(p[0]) - 128) / 128.0f;
    case 2: {
        std::int16_t v;
        std::memcpy(&v, p, 2);
        return v / 32768.0f;
    }
    case 3: {
        const std::int32_t v = static_cast<std::int32_t>(static_cast<std::uint32_t>(p[0]) << 8 |
                                                         static_cast<std::uint32_t>(p[1]) << 16 |
                                                         static_cast<std::uint32_t>(p[2]) << 24) >> 8;
        return static_cast<float>(v / 8388608.0);
    }
    default: {
        std::int32_t v;
        std::memcpy(&v, p, 4);
        return static_cast<float>(v / 2147483648.0);
    }
    }
}

void ToPcm(float f, std::uint8_t* p, int bytes)
{
    const double x = std::clamp(static_cast<double>(f), -1.0, 1.0);
    switch (bytes) {
    case 1:
        p[0] = static_cast<std::uint8_t>(std::clamp<long>(std::lround(x * 128.0) + 128, 0, 255));
        break;
    case 2: {
        const auto v = static_cast<std::int16_t>(std::clamp<long>(std::lround(x * 32768.0), -32768, 32767));
        std::memcpy(p, &v, 2);
        break;
    }
    case 3: {
        const auto v = static_cast<std::int32_t>(std::clamp<long>(std::lround(x * 8388608.0), -8388608, 8388607));
        p[0] = static_cast<std::uint8_t>(v);
        p[1] = static_cast<std::uint8_t>(v >> 8);
        p[2] = static_cast<std::uint8_t>(v >> 16);
        break;
    }
    default: {
        const auto v = static_cast<std::int32_t>(
            std::clamp<long long>(std::llround(x * 2147483648.0), -2147483648LL, 2147483647LL));
        std::memcpy(p, &v, 4);
        break;
    }
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
        for (std::size_t i = 0; i < samples; ++i, p += s.sampleBytes) {
            s.scratch[i] = FromPcm(p, s.sampleBytes);
        }
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
        for (std::size_t i = 0; i < samples; ++i, p += s.sampleBytes) {
            ToPcm(s.scratch[i], p, s.sampleBytes);
        }
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
