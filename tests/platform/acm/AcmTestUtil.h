#pragma once
// Shared by the compression-manager tests: generated audio, conversions in
// buffers through the public calls, quality measures and a minimal WAV writer.
#include "platform/acm/Acm.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace acmtest {

using Bytes = std::vector<BYTE>;

inline WAVEFORMATEX Pcm(WORD channels, DWORD rate, WORD bits = 16) { return MakePcmFormat(channels, rate, bits); }

// Speech-like test audio: gliding tones with a syllable envelope, noise
// bursts and short pauses; the channels differ a little. 16-bit interleaved.
inline std::vector<std::int16_t> SpeechLike(DWORD rate, WORD channels, double seconds, unsigned seed = 7)
{
    std::mt19937 rng(seed);
    std::normal_distribution<double> noise(0.0, 1.0);
    const std::size_t frames = static_cast<std::size_t>(rate * seconds);
    std::vector<std::int16_t> out(frames * channels);
    double phase1 = 0;
    double phase2 = 0;
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / rate;
        const double syllable = std::fmod(t, 0.5);
        const double env = syllable < 0.35 ? std::sin(M_PI * syllable / 0.35) : 0.0;
        const double f1 = 180 + 60 * std::sin(2 * M_PI * 1.3 * t);
        phase1 += 2 * M_PI * f1 / rate;
        phase2 += 2 * M_PI * (f1 * 3.1) / rate;
        const bool burst = std::fmod(t, 1.5) > 1.2;
        double v = env * (0.45 * std::sin(phase1) + 0.2 * std::sin(phase2));
        if (burst) {
            v += 0.15 * noise(rng);
        }
        for (WORD c = 0; c < channels; ++c) {
            const double s = v * (c == 0 ? 1.0 : 0.8) * 32767.0;
            out[i * channels + c] = static_cast<std::int16_t>(std::lround(std::max(-32768.0, std::min(32767.0, s))));
        }
    }
    return out;
}

inline Bytes ToBytes(const std::vector<std::int16_t>& s)
{
    Bytes b(s.size() * 2);
    std::memcpy(b.data(), s.data(), b.size());
    return b;
}

inline std::vector<std::int16_t> ToSamples(const Bytes& b)
{
    std::vector<std::int16_t> s(b.size() / 2);
    std::memcpy(s.data(), b.data(), s.size() * 2);
    return s;
}

struct Converted {
    Bytes out;
    MMRESULT lastResult = MMSYSERR_NOERROR;
    bool anyError = false;
    bool ok = false;
};

// Runs `in` through an open stream in buffers of `chunk` source bytes, the
// way the engine does (BLOCKALIGN on every buffer, END on the last when asked).
// Unused source bytes are handed in again with the next buffer.
inline Converted Run(HACMSTREAM s, const Bytes& in, std::size_t chunk, bool end, DWORD dstSize = 45000)
{
    Converted r;
    Bytes src(chunk);
    Bytes dst(dstSize);
    ACMSTREAMHEADER h{};
    h.cbStruct = ACMSTREAMHEADER_DOCUMENTED_SIZE;
    h.pbSrc = src.data();
    h.cbSrcLength = static_cast<DWORD>(chunk);
    h.pbDst = dst.data();
    h.cbDstLength = dstSize;
    if (acmStreamPrepareHeader(s, &h, 0) != MMSYSERR_NOERROR) {
        return r;
    }
    std::size_t pos = 0;
    bool endSent = false;
    for (int guard = 0; guard < 1000000; ++guard) {
        const std::size_t n = std::min(chunk, in.size() - pos);
        if (n) {
            std::memcpy(src.data(), in.data() + pos, n);
        }
        h.cbSrcLength = static_cast<DWORD>(n);
        const bool last = pos + n == in.size();
        DWORD flags = ACM_STREAMCONVERTF_BLOCKALIGN;
        if (pos == 0 && guard == 0) {
            flags |= ACM_STREAMCONVERTF_START;
        }
        if (last && end && !endSent) {
            flags |= ACM_STREAMCONVERTF_END;
        }
        r.lastResult = acmStreamConvert(s, &h, flags);
        r.anyError = r.anyError || r.lastResult != MMSYSERR_NOERROR;
        if (!(h.fdwStatus & ACMSTREAMHEADER_STATUSF_DONE)) {
            break;
        }
        r.out.insert(r.out.end(), dst.begin(), dst.begin() + h.cbDstLengthUsed);
        pos += h.cbSrcLengthUsed;
        if (last && h.cbSrcLengthUsed == n) {
            endSent = endSent || (flags & ACM_STREAMCONVERTF_END);
            // Everything handed in: stop once the stream has nothing left over.
            if (h.cbDstLengthUsed < dstSize) {
                break;
            }
        } else if (h.cbSrcLengthUsed == 0 && h.cbDstLengthUsed == 0) {
            break; // a partial block that can never be converted
        }
    }
    h.cbSrcLength = static_cast<DWORD>(chunk);
    acmStreamUnprepareHeader(s, &h, 0);
    r.ok = true;
    return r;
}

inline HACMSTREAM Open(const void* src, const void* dst, HACMDRIVER had = nullptr)
{
    HACMSTREAM s = nullptr;
    const MMRESULT r = acmStreamOpen(&s, had, reinterpret_cast<LPWAVEFORMATEX>(const_cast<void*>(src)),
                                     reinterpret_cast<LPWAVEFORMATEX>(const_cast<void*>(dst)), nullptr, 0, 0, 0);
    EXPECT_EQ(r, MMSYSERR_NOERROR);
    return r == MMSYSERR_NOERROR ? s : nullptr;
}

// Converts all of `in` from `src` to `dst` format with a fresh stream.
inline Converted ConvertAll(const void* src, const void* dst, const Bytes& in, std::size_t chunk, bool end = true)
{
    HACMSTREAM s = Open(src, dst);
    if (!s) {
        return {};
    }
    Converted r = Run(s, in, chunk, end);
    acmStreamClose(s, 0);
    return r;
}

// Signal-to-noise ratio in dB of `b` against reference `a`, `lag` samples late.
inline double SnrDb(const std::vector<std::int16_t>& a, const std::vector<std::int16_t>& b, std::size_t lag = 0)
{
    double sig = 0;
    double err = 0;
    for (std::size_t i = 0; i < a.size() && i + lag < b.size(); ++i) {
        const double d = static_cast<double>(b[i + lag]) - a[i];
        sig += static_cast<double>(a[i]) * a[i];
        err += d * d;
    }
    return 10 * std::log10(sig / std::max(err, 1.0));
}

// Normalised correlation of one channel of `b` against `a`, `lag` frames late.
inline double Correlation(const std::vector<std::int16_t>& a, const std::vector<std::int16_t>& b, std::size_t lag,
                          WORD channels, WORD channel)
{
    double ab = 0;
    double aa = 0;
    double bb = 0;
    for (std::size_t i = 0; (i + lag) * channels + channel < b.size() && i * channels + channel < a.size(); ++i) {
        const double x = a[i * channels + channel];
        const double y = b[(i + lag) * channels + channel];
        ab += x * y;
        aa += x * x;
        bb += y * y;
    }
    return ab / std::sqrt(std::max(aa * bb, 1.0));
}

// A RIFF WAVE file of one format record and its data, enough for sox to read.
inline Bytes WavFile(const void* format, std::size_t formatSize, const Bytes& data, DWORD factSamples)
{
    const std::size_t fmtPadded = formatSize + (formatSize & 1);
    const std::size_t dataPadded = data.size() + (data.size() & 1);
    Bytes f(12 + 8 + fmtPadded + 12 + 8 + dataPadded, 0);
    std::size_t at = 0;
    auto put = [&](const void* p, std::size_t n) {
        std::memcpy(f.data() + at, p, n);
        at += n;
    };
    auto put32 = [&](DWORD v) { put(&v, 4); };
    const DWORD riff = static_cast<DWORD>(f.size() - 8);
    put("RIFF", 4);
    put32(riff);
    put("WAVE", 4);
    put("fmt ", 4);
    put32(static_cast<DWORD>(formatSize));
    put(format, formatSize);
    at = 20 + fmtPadded;
    put("fact", 4);
    put32(4);
    put32(factSamples);
    put("data", 4);
    put32(static_cast<DWORD>(data.size()));
    if (!data.empty()) {
        put(data.data(), data.size());
    }
    return f;
}

} // namespace acmtest
