#pragma once
// The last pages of an Ogg stream as the open read them, the packets they
// hold, and the page that ends the stream early: what an append needs to
// continue a stream where its audio ends rather than after its end padding.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/core/Types.h"

struct OggTailPage {
    std::int64_t offset = 0;  // in the file
    std::vector<BYTE> bytes;  // header and body
};

struct OggTailPacket {
    std::vector<BYTE> bytes;
    std::size_t page = 0;         // index of the page it ends on
    std::size_t lastSegment = 0;  // its last lacing value on that page
    // The page's granule when the packet is the last one ending there, else
    // -1, as a demultiplexer reports it.
    std::int64_t granule = -1;
    bool endOfStream = false;
};

// The packets that end in the pages, in order. A packet continued from before
// the first page is left out. False when the pages do not follow on (a gap in
// their sequence numbers, a header that does not fit its bytes).
bool OggTailPackets(const std::vector<OggTailPage>& pages, std::vector<OggTailPacket>* packets);

// A page cut after one of its lacing values: what follows is dropped, the
// granule replaced, the end-of-stream mark cleared and the checksum renewed.
std::vector<BYTE> OggPageCutAfter(const std::vector<BYTE>& page, std::size_t lastSegment, std::int64_t granule);
