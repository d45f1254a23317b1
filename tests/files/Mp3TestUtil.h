#pragma once
// MPEG audio for the MP3 tests, encoded in the test through the compression
// manager's Layer-3 driver as the recorder does.
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "tests/files/RecordingTakes.h"

namespace mp3test {
using Bytes = std::vector<BYTE>;
using takes::Mp3WaveFormat;

// Encodes a sine through the compression manager's MPEG Layer-3 driver in
// engine-sized buffers (a fifth of a second), as the recorder does.
inline std::vector<Bytes> Encode(WORD channels, DWORD rate, DWORD kbps, int buffers)
{
    const MPEGLAYER3WAVEFORMAT mp3 = Mp3WaveFormat(channels, rate, kbps);
    const DWORD frames = rate / 5 * static_cast<DWORD>(buffers);
    std::vector<short> samples(frames * channels);
    for (DWORD i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / rate;
        for (WORD c = 0; c < channels; ++c) {
            samples[i * channels + c] = static_cast<short>(9000 * std::sin(2 * M_PI * (330 + 220 * c) * t));
        }
    }
    const auto* p = reinterpret_cast<const BYTE*>(samples.data());
    const std::vector<Bytes> out = takes::ConvertBuffers(MakePcmFormat(channels, rate, 16), &mp3,
                                                         Bytes(p, p + samples.size() * 2), rate / 5 * 2u * channels);
    EXPECT_EQ(out.size(), static_cast<std::size_t>(buffers));
    return out;
}

// Appends through a copy loop: GCC 12 misreads inserts into small vectors.
inline void Append(Bytes& to, const Bytes& from)
{
    for (BYTE b : from) {
        to.push_back(b);
    }
}

inline Bytes Joined(const std::vector<Bytes>& parts)
{
    Bytes all;
    for (const Bytes& p : parts) {
        all.insert(all.end(), p.begin(), p.end());
    }
    return all;
}
}
