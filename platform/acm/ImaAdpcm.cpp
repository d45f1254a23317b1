// The IMA ADPCM step tables and block coding; a block with a step index out of range decodes to silence.
#include "platform/acm/ImaAdpcm.h"

#include <algorithm>
#include <cstring>

#include "platform/core/Bytes.h"

namespace platform::acm::ima {
namespace {

constexpr int kIndexTable[16] = {-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};
constexpr int kStepTable[89] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,    28,
    31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,   118,
    130,   143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,   494,
    544,   598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,
    2272,  2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,
    9493,  10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

inline int Encode(ChannelState& s, int sample)
{
    int diff = sample - s.predictor;
    int code = 0;
    if (diff < 0) {
        code = 8;
        diff = -diff;
    }
    int step = kStepTable[s.index];
    int delta = step >> 3;
    if (diff >= step) {
        code |= 4;
        diff -= step;
        delta += step;
    }
    step >>= 1;
    if (diff >= step) {
        code |= 2;
        diff -= step;
        delta += step;
    }
    step >>= 1;
    if (diff >= step) {
        code |= 1;
        delta += step;
    }
    s.predictor = std::clamp(s.predictor + ((code & 8) ? -delta : delta), -32768, 32767);
    s.index = std::clamp(s.index + kIndexTable[code], 0, 88);
    return code;
}

inline int Decode(ChannelState& s, int code)
{
    const int step = kStepTable[s.index];
    int delta = step >> 3;
    if (code & 4) {
        delta += step;
    }
    if (code & 2) {
        delta += step >> 1;
    }
    if (code & 1) {
        delta += step >> 2;
    }
    s.predictor = std::clamp(s.predictor + ((code & 8) ? -delta : delta), -32768, 32767);
    s.index = std::clamp(s.index + kIndexTable[code], 0, 88);
    return s.predictor;
}

} // namespace

std::size_t FramesPerBlock(std::size_t blockBytes, unsigned channels)
{
    if (channels == 0 || blockBytes <= 4u * channels || (blockBytes - 4u * channels) % (4u * channels)) {
        return 0;
    }
    return (blockBytes - 4u * channels) * 2 / channels + 1;
}

void EncodeBlock(const std::int16_t* pcm, unsigned channels, std::size_t blockBytes, ChannelState* state, BYTE* out)
{
    const std::size_t frames = FramesPerBlock(blockBytes, channels);
    for (unsigned c = 0; c < channels; ++c) {
        ChannelState& s = state[c];
        s.predictor = pcm[c];
        platform::StoreLe16(out + 4 * c, static_cast<std::uint16_t>(pcm[c]));
        out[4 * c + 2] = static_cast<BYTE>(s.index);
        out[4 * c + 3] = 0;
        BYTE* p = out + 4 * channels + 4 * c;
        for (std::size_t f = 1; f < frames; f += 8) {
            for (int k = 0; k < 4; ++k) {
                const int lo = Encode(s, pcm[(f + 2 * k) * channels + c]);
                const int hi = Encode(s, pcm[(f + 2 * k + 1) * channels + c]);
                p[k] = static_cast<BYTE>(lo | (hi << 4));
            }
            p += 4 * channels;
        }
    }
}

bool DecodeBlock(const BYTE* in, unsigned channels, std::size_t blockBytes, std::int16_t* pcm)
{
    const std::size_t frames = FramesPerBlock(blockBytes, channels);
    bool ok = true;
    for (unsigned c = 0; c < channels; ++c) {
        ChannelState s;
        s.predictor = static_cast<std::int16_t>(platform::LoadLe16(in + 4 * c));
        s.index = in[4 * c + 2];
        if (s.index > 88) {
            ok = false;
            continue;
        }
        pcm[c] = static_cast<std::int16_t>(s.predictor);
        const BYTE* p = in + 4 * channels + 4 * c;
        for (std::size_t f = 1; f < frames; f += 8) {
            for (int k = 0; k < 4; ++k) {
                pcm[(f + 2 * k) * channels + c] = static_cast<std::int16_t>(Decode(s, p[k] & 0x0F));
                pcm[(f + 2 * k + 1) * channels + c] = static_cast<std::int16_t>(Decode(s, p[k] >> 4));
            }
            p += 4 * channels;
        }
    }
    if (!ok) {
        std::memset(pcm, 0, frames * channels * sizeof(std::int16_t));
    }
    return ok;
}

} // namespace platform::acm::ima
