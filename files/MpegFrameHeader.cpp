// Bitrate and sample-rate tables and the frame length; free-format and reserved values make a header invalid.
#include "files/MpegFrameHeader.h"

namespace {
// kbit/s by bitrate index 1..14; index 0 (free format) and 15 are refused.
constexpr WORD kMpeg1Rates[3][15] = {
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},  // Layer I
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},     // Layer II
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},      // Layer III
};
constexpr WORD kMpeg2Rates[3][15] = {
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},  // Layer I
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},       // Layer II
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},       // Layer III
};
constexpr DWORD kSampleRates[3][3] = {
    {44100, 48000, 32000},  // MPEG-1
    {22050, 24000, 16000},  // MPEG-2
    {11025, 12000, 8000},   // MPEG-2.5
};
}

DWORD MpegFrameLength(MpegVersion version, int layer, DWORD bitrate, DWORD sampleRate, bool padding)
{
    if (sampleRate == 0) {
        return 0;
    }
    const std::uint64_t br = bitrate;
    if (layer == 1) {
        return static_cast<DWORD>((12 * br / sampleRate + (padding ? 1 : 0)) * 4);
    }
    const std::uint64_t factor = (layer == 3 && version != MpegVersion::Mpeg1) ? 72 : 144;
    return static_cast<DWORD>(factor * br / sampleRate + (padding ? 1 : 0));
}

bool ParseMpegFrameHeader(const BYTE* b, MpegFrameHeader& out)
{
    const unsigned sync = (static_cast<unsigned>(b[0]) << 4) | (b[1] >> 4);
    if (sync != 0xFFF && sync != 0xFFE) {
        return false;
    }
    MpegFrameHeader h;
    const unsigned id = (b[1] >> 3) & 3;
    if (id == 3) {
        h.version = MpegVersion::Mpeg1;
    } else if (id == 2) {
        h.version = MpegVersion::Mpeg2;
    } else if (id == 0) {
        h.version = MpegVersion::Mpeg25;
    } else {
        return false;  // reserved
    }
    switch ((b[1] >> 1) & 3) {
    case 3: h.layer = 1; break;
    case 2: h.layer = 2; break;
    case 1: h.layer = 3; break;
    default: return false;
    }
    const unsigned rateIndex = b[2] >> 4;
    if (rateIndex == 0 || rateIndex == 15) {
        return false;
    }
    const auto& table = h.version == MpegVersion::Mpeg1 ? kMpeg1Rates : kMpeg2Rates;
    h.bitrate = 1000u * table[h.layer - 1][rateIndex];
    const unsigned srIndex = (b[2] >> 2) & 3;
    if (srIndex == 3) {
        return false;
    }
    h.sampleRate = kSampleRates[static_cast<int>(h.version)][srIndex];
    h.padding = (b[2] & 2) != 0;
    h.channels = ((b[3] >> 6) == 3) ? 1 : 2;
    h.samplesPerFrame = h.layer == 1 ? 384 : (h.layer == 3 && h.version != MpegVersion::Mpeg1 ? 576 : 1152);
    h.frameLength = MpegFrameLength(h.version, h.layer, h.bitrate, h.sampleRate, h.padding);
    out = h;
    return true;
}
