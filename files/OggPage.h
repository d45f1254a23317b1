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

// Offset of the last whole page in `tail` whose checksum holds, searching
// backwards from the end; *end (when given) receives the offset just past it.
// -1 when there is none. Bytes after that page are a page cut off by a crash.
long FindLastOggPage(const BYTE* tail, std::size_t length, std::size_t* end = nullptr);

// Clears or sets the end-of-stream flag of a whole page and stores its new
// checksum.
void ClearOggPageEndOfStream(BYTE* page, std::size_t length);
void MarkOggPageEndOfStream(BYTE* page, std::size_t length);

// A serial number for a new logical stream, from the system's random source:
// two files opened in the same second must not share one, or chaining them
// would merge their streams.
int NewOggStreamSerial();

// Fields of a raw page header.
int OggPageSerial(const BYTE* page);
long OggPageSequence(const BYTE* page);
std::int64_t OggPageGranule(const BYTE* page);
