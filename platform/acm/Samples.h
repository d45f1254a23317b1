#pragma once
// Inside the compression manager: moving PCM samples between the callers'
// 8-bit (unsigned) or 16-bit (signed, little-endian) bytes and the 16-bit
// samples the codecs work on.
#include "platform/acm/Driver.h"

#include <cstdint>

namespace platform::acm {

// Appends `count` samples read from `src` (8 or 16 bits) to `out`.
void AppendSamples(const BYTE* src, std::size_t count, WORD bits, std::vector<std::int16_t>* out);
// Writes `count` samples as 8- or 16-bit PCM into the sink.
void WriteSamples(const std::int16_t* samples, std::size_t count, WORD bits, Sink& out);

} // namespace platform::acm
