#pragma once
// Raw Ogg page helpers used beside libogg: the page checksum, finding the last
// page at the end of a file, clearing its end-of-stream mark, and the serial
// number of a new stream.
#include <cstddef>
#include <cstdint>

#include "platform/core/Types.h"

// The largest page: 27 header bytes, 255 lacing values, 255 x 255 body bytes.
constexpr std::size_t kMaxOggPageSize = 27 + 255 + 255 * 255;

// The Ogg checksum of a whole page (header and body) taken with its CRC field
// as zero.
std::uint32_t OggPageChecksum(const BYTE* page, std::size_t length);

// Offset of the page that ends exactly at the end of `tail` and whose checksum
// holds, searching backwards; -1 when there is none.
long FindLastOggPage(const BYTE* tail, std::size_t length);

// Clears the end-of-stream flag of a whole page and stores its new checksum.
void ClearOggPageEndOfStream(BYTE* page, std::size_t length);

// A serial number for a new logical stream, from the system's random source:
// two files opened in the same second must not share one, or chaining them
// would merge their streams.
int NewOggStreamSerial();
