#pragma once
// MPEG audio for the MP3 tests, encoded in the test through the compression
// manager's Layer-3 driver as the recorder does.
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "platform/acm/Acm.h"
#include "platform/core/WaveFormat.h"

namespace mp3test {
using Bytes = std::vector<BYTE>;

inline MPEGLAYER3WAVEFORMAT Mp3Format(WORD channels, DWORD rate, DWORD kbps)
{
    MPEGLAYER3WAVEFORMAT m{};
    m.wfx = WAVEFORMATEX{WAVE_FORMAT_MPEGLAYER3, channels, rate, kbps * 125, 1, 0, MPEGLAYER3_WFX_EXTRA_BYTES};
    m.wID = MPEGLAYER3_ID_MPEG;
    m.nFramesPerBlock = 1;
    return m;
}

// Encodes a sine through the compression manager's MPEG Layer-3 driver in
// engine-sized buffers (a fifth of a second), as the recorder does.
inline std::vector<Bytes> Encode(WORD channels, DWORD rate, DWORD kbps, int buffers)
{
    WAVEFORMATEX pcm = MakePcmFormat(channels, rate, 16);
    MPEGLAYER3WAVEFORMAT mp3 = Mp3Format(channels, rate, kbps);
    HACMSTREAM s = nullptr;
    EXPECT_EQ(acmStreamOpen(&s, nullptr, &pcm, &mp3.wfx, nullptr, 0, 0, 0), MMSYSERR_NOERROR);
    std::vector<Bytes> out;
    if (!s) {
        return out;
    }
    const DWORD frames = rate / 5;
    for (int b = 0; b < buffers; ++b) {
        std::vector<short> samples(frames * channels);
        for (DWORD i = 0; i < frames; ++i) {
            const double t = static_cast<double>(b * frames + i) / rate;
            for (WORD c = 0; c < channels; ++c) {
                samples[i * channels + c] = static_cast<short>(9000 * std::sin(2 * M_PI * (330 + 220 * c) * t));
            }
        }
        DWORD room = 0;
        const DWORD len = static_cast<DWORD>(samples.size() * 2);
        acmStreamSize(s, len, &room, ACM_STREAMSIZEF_SOURCE);
        Bytes dst(room + 16384);
        ACMSTREAMHEADER h{};
        h.cbStruct = sizeof h;
        h.pbSrc = reinterpret_cast<LPBYTE>(samples.data());
        h.cbSrcLength = len;
        h.pbDst = dst.data();
        h.cbDstLength = static_cast<DWORD>(dst.size());
        acmStreamPrepareHeader(s, &h, 0);
        const DWORD flags = ACM_STREAMCONVERTF_BLOCKALIGN | (b + 1 == buffers ? ACM_STREAMCONVERTF_END : 0);
        EXPECT_EQ(acmStreamConvert(s, &h, flags), MMSYSERR_NOERROR);
        dst.resize(h.cbDstLengthUsed);
        acmStreamUnprepareHeader(s, &h, 0);
        out.push_back(dst);
    }
    acmStreamClose(s, 0);
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
