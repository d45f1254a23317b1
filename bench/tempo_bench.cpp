// Play at speed: TimeStretch fed as playback feeds it (a file block of a fifth of a
// second times the speed in, a fifth of a second out per buffer, the speed set per
// buffer) against SoundTouch called directly on the same samples with the same
// settings, its own float conversion around it. Both run in the same iteration, in
// alternating order. Reported apart: setting up a stream (once per file) against
// the cost of one output buffer.
#include <SoundTouch.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench/CpuTime.h"
#include "platform/core/WaveFormat.h"
#include "platform/tempo/TimeStretch.h"
#include "recorder/AppDialog.h"

namespace {
using Bytes = std::vector<std::uint8_t>;

constexpr double kSeconds = 20;  // of audio per iteration and path
constexpr int kFilesPerBatch = 200;

// Tones and a little noise, never silent, in the format's samples (8-bit unsigned or 16-bit).
Bytes Music(const WAVEFORMATEX& f, double seconds)
{
    const std::size_t frames = static_cast<std::size_t>(f.nSamplesPerSec * seconds);
    Bytes v(frames * f.nBlockAlign);
    unsigned x = 7;
    std::uint8_t* p = v.data();
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / f.nSamplesPerSec;
        for (WORD c = 0; c < f.nChannels; ++c) {
            x = x * 1103515245u + 12345;
            const double noise = (static_cast<double>((x >> 16) & 0x3FF) - 512) / 32768.0;
            const double s = 0.28 * std::sin(2 * M_PI * (440 + 220 * c) * t) +
                             0.06 * std::sin(2 * M_PI * 3100 * t + c) + noise;
            if (f.wBitsPerSample == 8) {
                *p++ = static_cast<std::uint8_t>(std::lround(s * 127) + 128);
            } else {
                const auto v16 = static_cast<std::int16_t>(std::lround(s * 32767));
                std::memcpy(p, &v16, 2);
                p += 2;
            }
        }
    }
    return v;
}

// What playback hands the scaler and takes from it, as the program sizes them.
struct Feed {
    std::size_t capacity;  // a block of the playback ring
    std::size_t in;        // bytes of the file read per block
    std::size_t out;       // bytes of one output buffer
};

Feed PlaybackFeed(const WAVEFORMATEX& f, float speed)
{
    const auto align = [&f](std::size_t n) { return n - n % f.nBlockAlign; };
    Feed feed{};
    feed.capacity = AudioBlockBytes(f);
    auto block = static_cast<std::size_t>(static_cast<DWORD>(f.nAvgBytesPerSec / 5) * speed);
    if (block > feed.capacity) {
        block = feed.capacity - 100;
    }
    feed.in = align(block);
    feed.out = std::min(align(f.nAvgBytesPerSec / 5), align(feed.capacity - 200));
    return feed;
}

// Playback's loop over TimeStretch: blocks in until a buffer can come out, then one
// buffer out, to the end of the samples. Returns the bytes written to out.
std::size_t ThroughTimeStretch(platform::TimeStretch& stretch, const WAVEFORMATEX& f, float speed, const Feed& feed,
                               const Bytes& pcm, Bytes& out)
{
    stretch.Configure(f, feed.capacity);
    std::size_t at = 0;
    std::size_t produced = 0;
    bool ended = false;
    for (;;) {
        stretch.SetSpeed(speed);
        while (stretch.ReadyBytes() < feed.out && !ended) {
            const std::size_t n = std::min(feed.in, pcm.size() - at);
            if (n == 0) {
                stretch.Flush();
                ended = true;
                break;
            }
            stretch.Put(pcm.data() + at, n);
            at += n;
        }
        const std::size_t got = stretch.Take(out.data() + produced, std::min(feed.out, out.size() - produced));
        produced += got;
        if (got == 0) {
            return produced;
        }
    }
}

// The baseline: SoundTouch's float samples converted from and to this format in place.
template <class Sample>
struct DirectPcm {
    static float In(const std::uint8_t* p)
    {
        if constexpr (sizeof(Sample) == 1) {
            return (static_cast<float>(*p) - 128.0f) * (1.0f / 128);
        } else {
            Sample v;
            std::memcpy(&v, p, sizeof v);
            return static_cast<float>(v) * (1.0f / 32768);
        }
    }
    // Rounded half away from zero in float, as a careful caller would write it inline.
    static void Out(float x, std::uint8_t* p)
    {
        if constexpr (sizeof(Sample) == 1) {
            *p = static_cast<std::uint8_t>(std::clamp(x * 128.0f + 128.0f, 0.0f, 255.0f) + 0.5f);
        } else {
            const float v = std::clamp(x * 32768.0f, -32768.0f, 32767.0f);
            const auto s = static_cast<Sample>(v + (v < 0 ? -0.5f : 0.5f));
            std::memcpy(p, &s, sizeof s);
        }
    }
};

// One stream of the baseline: what a player calling SoundTouch itself sets up per file.
struct DirectStream {
    std::unique_ptr<soundtouch::SoundTouch> touch;
    std::vector<float> in;
    std::vector<float> out;

    void Open(const WAVEFORMATEX& f, float speed, const Feed& feed)
    {
        touch = std::make_unique<soundtouch::SoundTouch>();
        touch->setChannels(f.nChannels);
        touch->setSampleRate(f.nSamplesPerSec);
        touch->setTempo(speed);
        in.assign(feed.in / f.nBlockAlign * f.nChannels, 0.0f);
        out.assign(feed.out / f.nBlockAlign * f.nChannels, 0.0f);
    }
};

template <class Sample>
std::size_t Direct(DirectStream& s, const WAVEFORMATEX& f, float speed, const Feed& feed, const Bytes& pcm, Bytes& out)
{
    using Pcm = DirectPcm<Sample>;
    s.Open(f, speed, feed);
    const std::size_t frameBytes = f.nBlockAlign;
    const unsigned outFrames = static_cast<unsigned>(feed.out / frameBytes);
    std::size_t at = 0;
    std::size_t produced = 0;
    bool ended = false;
    for (;;) {
        while (s.touch->numSamples() < outFrames && !ended) {
            const std::size_t frames = std::min(feed.in, pcm.size() - at) / frameBytes;
            if (frames == 0) {
                s.touch->flush();
                ended = true;
                break;
            }
            const std::uint8_t* p = pcm.data() + at;
            for (std::size_t i = 0; i < frames * f.nChannels; ++i, p += sizeof(Sample)) {
                s.in[i] = Pcm::In(p);
            }
            s.touch->putSamples(s.in.data(), static_cast<unsigned>(frames));
            at += frames * frameBytes;
        }
        const unsigned room = static_cast<unsigned>(std::min<std::size_t>(outFrames, (out.size() - produced) / frameBytes));
        const unsigned got = s.touch->receiveSamples(s.out.data(), room);
        std::uint8_t* p = out.data() + produced;
        for (std::size_t i = 0; i < std::size_t(got) * f.nChannels; ++i, p += sizeof(Sample)) {
            Pcm::Out(s.out[i], p);
        }
        produced += std::size_t(got) * frameBytes;
        if (got == 0) {
            return produced;
        }
    }
}

std::size_t DirectAny(DirectStream& s, const WAVEFORMATEX& f, float speed, const Feed& feed, const Bytes& pcm, Bytes& out)
{
    return f.wBitsPerSample == 8 ? Direct<std::uint8_t>(s, f, speed, feed, pcm, out)
                                 : Direct<std::int16_t>(s, f, speed, feed, pcm, out);
}

// The largest difference between two outputs, in steps of the sample size; 1 is rounding.
int LargestDifference(const WAVEFORMATEX& f, const Bytes& a, const Bytes& b, std::size_t bytes)
{
    int largest = 0;
    for (std::size_t i = 0; i < bytes; i += f.wBitsPerSample / 8) {
        int x = a[i];
        int y = b[i];
        if (f.wBitsPerSample == 16) {
            std::int16_t u;
            std::int16_t v;
            std::memcpy(&u, &a[i], 2);
            std::memcpy(&v, &b[i], 2);
            x = u;
            y = v;
        }
        largest = std::max(largest, std::abs(x - y));
    }
    return largest;
}

// The wrapper and the baseline timed in the same iterations, in alternating order so
// neither always runs with a warm cache; the ratio is of processor time.
struct Interleaved {
    double wrapperTime = 0;
    double directTime = 0;
    std::vector<double> ratios;  // per iteration: robust against load changing during the run

    template <class Wrapper, class Direct>
    void Run(benchmark::State& state, Wrapper wrapper, Direct direct)
    {
        bool wrapperFirst = true;
        for (auto _ : state) {
            const double t0 = CpuSeconds();
            wrapperFirst ? wrapper() : direct();
            const double t1 = CpuSeconds();
            wrapperFirst ? direct() : wrapper();
            const double t2 = CpuSeconds();
            const double ours = wrapperFirst ? t1 - t0 : t2 - t1;
            const double theirs = wrapperFirst ? t2 - t1 : t1 - t0;
            wrapperTime += ours;
            directTime += theirs;
            ratios.push_back(ours / theirs);
            wrapperFirst = !wrapperFirst;
            state.SetIterationTime(t2 - t0);
        }
    }

    void ReportOverhead(benchmark::State& state)
    {
        std::sort(ratios.begin(), ratios.end());
        state.counters["overhead_pct"] = (wrapperTime / directTime - 1) * 100;
        state.counters["median_overhead_pct"] = (ratios[ratios.size() / 2] - 1) * 100;
    }
};

// Whole files played at speed both ways.
void PlayAtSpeed(benchmark::State& state, WAVEFORMATEX f, float speed)
{
    const Feed feed = PlaybackFeed(f, speed);
    const Bytes pcm = Music(f, kSeconds);
    Bytes wrapperOut(static_cast<std::size_t>(pcm.size() / speed) + 4 * feed.capacity);
    Bytes directOut(wrapperOut.size());
    platform::TimeStretch stretch;
    DirectStream direct;
    std::size_t wrapperBytes = 0;
    std::size_t directBytes = 0;
    Interleaved run;
    run.Run(
        state, [&] { wrapperBytes = ThroughTimeStretch(stretch, f, speed, feed, pcm, wrapperOut); },
        [&] { directBytes = DirectAny(direct, f, speed, feed, pcm, directOut); });
    if (wrapperBytes != directBytes || LargestDifference(f, wrapperOut, directOut, wrapperBytes) > 1) {
        state.SkipWithError("the wrapper's output differs from SoundTouch's own");
        return;
    }
    run.ReportOverhead(state);
    const double runs = static_cast<double>(state.iterations());
    const double buffers = runs * std::ceil(static_cast<double>(wrapperBytes) / static_cast<double>(feed.out));
    state.counters["wrapper_x_realtime"] = kSeconds * runs / run.wrapperTime;
    state.counters["direct_x_realtime"] = kSeconds * runs / run.directTime;
    state.counters["wrapper_us_per_buffer"] = run.wrapperTime / buffers * 1e6;
    state.counters["direct_us_per_buffer"] = run.directTime / buffers * 1e6;
    state.counters["out_seconds"] = static_cast<double>(wrapperBytes) / f.nAvgBytesPerSec;
}

// The fixed cost of a file: the stream set up at Play (and the last one released),
// in batches of files.
void StreamSetup(benchmark::State& state, WAVEFORMATEX f, float speed)
{
    const Feed feed = PlaybackFeed(f, speed);
    platform::TimeStretch stretch;
    DirectStream direct;
    Interleaved run;
    run.Run(
        state,
        [&] {
            for (int i = 0; i < kFilesPerBatch; ++i) {
                stretch.Configure(f, feed.capacity);
                stretch.SetSpeed(speed);
                benchmark::DoNotOptimize(stretch.IsConfigured());
            }
        },
        [&] {
            for (int i = 0; i < kFilesPerBatch; ++i) {
                direct.Open(f, speed, feed);
                benchmark::DoNotOptimize(direct.touch.get());
            }
        });
    run.ReportOverhead(state);
    const double files = static_cast<double>(state.iterations()) * kFilesPerBatch;
    state.counters["wrapper_us_per_file"] = run.wrapperTime / files * 1e6;
    state.counters["direct_us_per_file"] = run.directTime / files * 1e6;
}

struct Format {
    const char* name;
    WAVEFORMATEX wave;
};
}  // namespace

int main(int argc, char** argv)
{
    const Format formats[] = {{"pcm16_stereo_44k", MakePcmFormat(2, 44100, 16)},
                              {"pcm8_mono_22k", MakePcmFormat(1, 22050, 8)}};
    const float speeds[] = {0.75f, 1.5f, 2.0f};
    for (const Format& f : formats) {
        for (const float speed : speeds) {
            char name[80];
            std::snprintf(name, sizeof name, "PlayAtSpeed/%s/%.2fx", f.name, static_cast<double>(speed));
            benchmark::RegisterBenchmark(name, PlayAtSpeed, f.wave, speed)
                ->UseManualTime()
                ->Iterations(20)
                ->Unit(benchmark::kMillisecond);
        }
        char name[80];
        std::snprintf(name, sizeof name, "StreamSetup/%s", f.name);
        benchmark::RegisterBenchmark(name, StreamSetup, f.wave, 1.5f)
            ->UseManualTime()
            ->Iterations(40)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
