#pragma once
// Inside the compression manager: the MPEG Layer-3 format table the driver
// offers (sample rates, bit rates per MPEG version, the format record).
#include "platform/acm/Driver.h"

namespace platform::acm {

// Samples from the first input sample to the same sample in decoded output:
// the encoder's look-ahead (576) plus the decoder's filter delay (529).
constexpr WORD kMp3CodecDelay = 1105;

const std::vector<DWORD>& Mp3SampleRates();
// 1 for MPEG-1, 2 for MPEG-2, 3 for MPEG-2.5; 0 for a rate MPEG audio lacks.
int Mp3Version(DWORD rate);
// The constant bit rates (kbit/s) the encoder offers at a sample rate.
std::vector<DWORD> Mp3Bitrates(DWORD rate);
Format Mp3Format(WORD channels, DWORD rate, DWORD kbps);

} // namespace platform::acm
