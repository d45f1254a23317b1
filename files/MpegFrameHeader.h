#pragma once
// One MPEG audio frame header (ISO/IEC 11172-3, 13818-3 and the 2.5 extension)
// decoded from its four bytes, with the frame's length in bytes.
#include "platform/core/Types.h"

enum class MpegVersion { Mpeg1, Mpeg2, Mpeg25 };

struct MpegFrameHeader {
    MpegVersion version = MpegVersion::Mpeg1;
    int layer = 0;              // 1, 2 or 3
    DWORD bitrate = 0;          // bits per second
    DWORD sampleRate = 0;       // samples per second
    WORD channels = 0;          // 1 for single channel, else 2
    bool padding = false;
    DWORD samplesPerFrame = 0;
    DWORD frameLength = 0;      // bytes, header and padding slot included
};

// Decodes b[0..3]; false for anything that is not a usable frame header: no
// sync, the reserved version, layer, bitrate index (free format included) or
// sample-rate index.
bool ParseMpegFrameHeader(const BYTE* b, MpegFrameHeader& out);

// The standard frame length: Layer I (12 x bitrate / rate + padding) x 4,
// Layer II and MPEG-1 Layer III 144 x bitrate / rate + padding, MPEG-2 and
// MPEG-2.5 Layer III 72 x bitrate / rate + padding.
DWORD MpegFrameLength(MpegVersion version, int layer, DWORD bitrate, DWORD sampleRate, bool padding);
