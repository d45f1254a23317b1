#pragma once
// WAVEFORMATEX exactly as it is stored in files and settings: 18 packed
// little-endian bytes followed by cbSize extra bytes. The build targets
// little-endian machines only, so the in-memory record is the on-disk one.
#include "platform/core/Types.h"

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the file formats are little-endian");

#pragma pack(push, 1)
struct WAVEFORMATEX {
    WORD wFormatTag;
    WORD nChannels;
    DWORD nSamplesPerSec;
    DWORD nAvgBytesPerSec;
    WORD nBlockAlign;
    WORD wBitsPerSample;
    WORD cbSize;
};
struct PCMWAVEFORMAT {
    WORD wFormatTag;
    WORD nChannels;
    DWORD nSamplesPerSec;
    DWORD nAvgBytesPerSec;
    WORD nBlockAlign;
    WORD wBitsPerSample;
};
#pragma pack(pop)
static_assert(sizeof(WAVEFORMATEX) == 18);
static_assert(sizeof(PCMWAVEFORMAT) == 16);

using LPWAVEFORMATEX = WAVEFORMATEX*;

constexpr WORD WAVE_FORMAT_PCM = 1;
constexpr WORD WAVE_FORMAT_ADPCM = 2;
constexpr WORD WAVE_FORMAT_ALAW = 6;
constexpr WORD WAVE_FORMAT_MULAW = 7;
constexpr WORD WAVE_FORMAT_IMA_ADPCM = 0x11;
constexpr WORD WAVE_FORMAT_GSM610 = 0x31;
constexpr WORD WAVE_FORMAT_MPEG = 0x50;
constexpr WORD WAVE_FORMAT_MPEGLAYER3 = 0x55;

// Size of a format record with its extra bytes.
inline std::size_t WaveFormatSize(const WAVEFORMATEX& f) { return sizeof(WAVEFORMATEX) + f.cbSize; }

// A PCM record with its block alignment and byte rate derived from the rest.
inline WAVEFORMATEX MakePcmFormat(WORD channels, DWORD rate, WORD bits)
{
    const WORD align = static_cast<WORD>(channels * bits / 8);
    return WAVEFORMATEX{WAVE_FORMAT_PCM, channels, rate, rate * align, align, bits, 0};
}
