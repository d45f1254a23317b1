// Encoding through acmStreamConvert in the engine's buffers (one fifth of a
// second, 45,000-byte destination) against calling the codec directly on the
// same samples, both timed in the same iteration. Reports each speed in
// multiples of real time and the manager's overhead in percent.
//
// The task is an hour of audio; to keep a run short each iteration encodes a
// shorter stretch (see kSeconds) and the figures are rates, so they scale.
#include "platform/acm/Acm.h"
#include "platform/acm/ImaAdpcm.h"

#include <benchmark/benchmark.h>
#include <gsm.h>
#include <lame/lame.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

WAVEFORMATEX Pcm(WORD channels, DWORD rate) { return MakePcmFormat(channels, rate, 16); }

// Tones and noise bursts, like speech in level and spectrum.
std::vector<std::int16_t> Audio(DWORD rate, WORD channels, double seconds)
{
    std::mt19937 rng(11);
    std::normal_distribution<double> noise(0.0, 0.1);
    const std::size_t frames = static_cast<std::size_t>(rate * seconds);
    std::vector<std::int16_t> v(frames * channels);
    double phase = 0;
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / rate;
        phase += 2 * M_PI * (200 + 80 * std::sin(2 * M_PI * 0.7 * t)) / rate;
        const double env = std::fabs(std::sin(M_PI * 2 * t));
        const double x = env * 0.5 * std::sin(phase) + (std::fmod(t, 1.3) > 1.0 ? noise(rng) : 0.0);
        for (WORD c = 0; c < channels; ++c) {
            v[i * channels + c] = static_cast<std::int16_t>(std::lround(std::clamp(x * (1 - 0.2 * c), -1.0, 1.0) * 32000));
        }
    }
    return v;
}

// Encodes `pcm` through the manager in engine buffers; returns compressed bytes.
std::size_t ThroughManager(const WAVEFORMATEX& src, const void* dst, const std::vector<std::int16_t>& pcm)
{
    HACMSTREAM s = nullptr;
    if (acmStreamOpen(&s, nullptr, const_cast<LPWAVEFORMATEX>(&src),
                      reinterpret_cast<LPWAVEFORMATEX>(const_cast<void*>(dst)), nullptr, 0, 0, 0) != MMSYSERR_NOERROR) {
        return 0;
    }
    const std::size_t buffer = src.nAvgBytesPerSec / 5 / src.nBlockAlign * src.nBlockAlign;
    std::vector<BYTE> in(45000);
    std::vector<BYTE> out(45000);
    ACMSTREAMHEADER h{};
    h.cbStruct = ACMSTREAMHEADER_DOCUMENTED_SIZE;
    h.pbSrc = in.data();
    h.cbSrcLength = 45000;
    h.pbDst = out.data();
    h.cbDstLength = 45000;
    acmStreamPrepareHeader(s, &h, 0);
    const auto* bytes = reinterpret_cast<const BYTE*>(pcm.data());
    const std::size_t total = pcm.size() * 2;
    std::size_t produced = 0;
    for (std::size_t pos = 0; pos < total; pos += buffer) {
        const std::size_t n = std::min(buffer, total - pos);
        std::memcpy(in.data(), bytes + pos, n); // the engine copies each buffer in too
        h.cbSrcLength = static_cast<DWORD>(n);
        acmStreamConvert(s, &h, ACM_STREAMCONVERTF_BLOCKALIGN | (pos + n == total ? ACM_STREAMCONVERTF_END : 0));
        produced += h.cbDstLengthUsed;
    }
    h.cbSrcLength = 45000;
    acmStreamUnprepareHeader(s, &h, 0);
    acmStreamClose(s, 0);
    return produced;
}

std::vector<BYTE> SuggestedFormat(const WAVEFORMATEX& src, WORD tag, DWORD avgBytes = 0)
{
    std::vector<BYTE> f(64, 0);
    auto* w = reinterpret_cast<LPWAVEFORMATEX>(f.data());
    w->wFormatTag = tag;
    w->nChannels = src.nChannels;
    w->nSamplesPerSec = src.nSamplesPerSec;
    acmFormatSuggest(nullptr, const_cast<LPWAVEFORMATEX>(&src), w, 64, 0x70000);
    if (avgBytes) {
        // The standard format at that bit rate.
        ACMFORMATDETAILSA d{};
        d.cbStruct = ACMFORMATDETAILS_DOCUMENTED_SIZE;
        d.dwFormatTag = tag;
        d.pwfx = w;
        d.cbwfx = 64;
        for (d.dwFormatIndex = 0; acmFormatDetailsA(nullptr, &d, ACM_FORMATDETAILSF_INDEX) == MMSYSERR_NOERROR;
             ++d.dwFormatIndex) {
            if (w->nChannels == src.nChannels && w->nSamplesPerSec == src.nSamplesPerSec &&
                w->nAvgBytesPerSec == avgBytes) {
                break;
            }
        }
    }
    return f;
}

std::size_t LameDirect(const std::vector<std::int16_t>& pcm, int rate, int channels, int kbps)
{
    lame_global_flags* gf = lame_init();
    lame_set_num_channels(gf, channels);
    lame_set_in_samplerate(gf, rate);
    lame_set_out_samplerate(gf, rate);
    lame_set_brate(gf, kbps);
    lame_set_VBR(gf, vbr_off);
    lame_set_mode(gf, channels == 1 ? MONO : JOINT_STEREO);
    lame_set_bWriteVbrTag(gf, 0);
    lame_set_write_id3tag_automatic(gf, 0);
    lame_init_params(gf);
    const int frames = rate / 5;
    std::vector<unsigned char> out(frames * 5 / 4 + 7200);
    std::size_t produced = 0;
    const std::size_t total = pcm.size() / channels;
    for (std::size_t pos = 0; pos < total; pos += frames) {
        const int n = static_cast<int>(std::min<std::size_t>(frames, total - pos));
        const int r = lame_encode_buffer_interleaved(gf, const_cast<short*>(pcm.data() + pos * channels), n,
                                                     out.data(), static_cast<int>(out.size()));
        produced += r > 0 ? static_cast<std::size_t>(r) : 0;
    }
    const int r = lame_encode_flush(gf, out.data(), static_cast<int>(out.size()));
    produced += r > 0 ? static_cast<std::size_t>(r) : 0;
    lame_close(gf);
    return produced;
}

std::size_t ImaDirect(const std::vector<std::int16_t>& pcm, unsigned channels, std::size_t blockBytes)
{
    platform::acm::ima::ChannelState state[2];
    const std::size_t frames = platform::acm::ima::FramesPerBlock(blockBytes, channels);
    std::vector<BYTE> out(blockBytes);
    std::size_t produced = 0;
    for (std::size_t pos = 0; pos + frames * channels <= pcm.size(); pos += frames * channels) {
        platform::acm::ima::EncodeBlock(pcm.data() + pos, channels, blockBytes, state, out.data());
        produced += blockBytes;
        benchmark::DoNotOptimize(out.data());
    }
    return produced;
}

std::size_t GsmDirect(const std::vector<std::int16_t>& pcm)
{
    gsm g = gsm_create();
    int one = 1;
    gsm_option(g, GSM_OPT_WAV49, &one);
    gsm_signal frame[160];
    gsm_byte out[65];
    std::size_t produced = 0;
    for (std::size_t pos = 0; pos + 320 <= pcm.size(); pos += 320) {
        std::memcpy(frame, pcm.data() + pos, sizeof frame);
        gsm_encode(g, frame, out);
        std::memcpy(frame, pcm.data() + pos + 160, sizeof frame);
        gsm_encode(g, frame, out + 32);
        produced += 65;
        benchmark::DoNotOptimize(out);
    }
    gsm_destroy(g);
    return produced;
}

template <class Direct>
void Compare(benchmark::State& state, const WAVEFORMATEX& src, const std::vector<BYTE>& dst, double seconds,
             Direct direct)
{
    const auto pcm = Audio(src.nSamplesPerSec, src.nChannels, seconds);
    double acmTime = 0;
    double directTime = 0;
    std::size_t acmBytes = 0;
    std::size_t directBytes = 0;
    bool acmFirst = true;
    std::vector<double> ratios; // per iteration: robust against load changes during the run
    for (auto _ : state) {
        const auto t0 = Clock::now();
        if (acmFirst) {
            acmBytes = ThroughManager(src, dst.data(), pcm);
        } else {
            directBytes = direct(pcm);
        }
        const auto t1 = Clock::now();
        if (acmFirst) {
            directBytes = direct(pcm);
        } else {
            acmBytes = ThroughManager(src, dst.data(), pcm);
        }
        const auto t2 = Clock::now();
        const double first = std::chrono::duration<double>(t1 - t0).count();
        const double second = std::chrono::duration<double>(t2 - t1).count();
        acmTime += acmFirst ? first : second;
        directTime += acmFirst ? second : first;
        ratios.push_back(acmFirst ? first / second : second / first);
        acmFirst = !acmFirst; // alternate so neither always runs with a warm cache
        state.SetIterationTime(first + second);
    }
    const double audio = seconds * static_cast<double>(state.iterations());
    state.counters["acm_x_realtime"] = audio / acmTime;
    state.counters["direct_x_realtime"] = audio / directTime;
    state.counters["overhead_pct"] = (acmTime / directTime - 1) * 100;
    std::sort(ratios.begin(), ratios.end());
    state.counters["median_overhead_pct"] = (ratios[ratios.size() / 2] - 1) * 100;
    state.counters["size_ratio"] = static_cast<double>(acmBytes) / static_cast<double>(std::max<std::size_t>(directBytes, 1));
}

constexpr double kSeconds = 30; // of audio per iteration and path

void Mp3At128k(benchmark::State& state)
{
    const WAVEFORMATEX src = Pcm(2, 44100);
    const auto dst = SuggestedFormat(src, WAVE_FORMAT_MPEGLAYER3, 16000);
    Compare(state, src, dst, kSeconds, [](const std::vector<std::int16_t>& pcm) { return LameDirect(pcm, 44100, 2, 128); });
}

void ImaAdpcm(benchmark::State& state)
{
    const WAVEFORMATEX src = Pcm(2, 44100);
    const auto dst = SuggestedFormat(src, WAVE_FORMAT_IMA_ADPCM);
    const WORD block = reinterpret_cast<const WAVEFORMATEX*>(dst.data())->nBlockAlign;
    Compare(state, src, dst, kSeconds * 5, [block](const std::vector<std::int16_t>& pcm) { return ImaDirect(pcm, 2, block); });
}

void Gsm610(benchmark::State& state)
{
    const WAVEFORMATEX src = Pcm(1, 8000);
    const auto dst = SuggestedFormat(src, WAVE_FORMAT_GSM610);
    Compare(state, src, dst, kSeconds * 5, [](const std::vector<std::int16_t>& pcm) { return GsmDirect(pcm); });
}

BENCHMARK(Mp3At128k)->UseManualTime()->Iterations(16)->Unit(benchmark::kMillisecond);
BENCHMARK(ImaAdpcm)->UseManualTime()->Iterations(40)->Unit(benchmark::kMillisecond);
BENCHMARK(Gsm610)->UseManualTime()->Iterations(24)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
