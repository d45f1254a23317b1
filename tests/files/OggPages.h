#pragma once
// Byte-level reading of Ogg pages, for the checks of what our classes write.
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/core/Bytes.h"

struct RawOggPage {
    std::size_t offset = 0;  // of the page header in the file
    std::size_t size = 0;    // header, segment table and body
    std::size_t bodySize = 0;
    int serial = 0;
    std::int64_t granule = 0;
    int flags = 0;  // continued, beginning and end of stream
};

// The whole pages from the start of the file, up to the first bytes that are not one.
inline std::vector<RawOggPage> OggPages(const std::vector<std::uint8_t>& bytes)
{
    std::vector<RawOggPage> pages;
    std::size_t off = 0;
    while (off + 27 <= bytes.size() && std::memcmp(&bytes[off], "OggS", 4) == 0) {
        RawOggPage p;
        p.offset = off;
        p.serial = static_cast<int>(platform::LoadLe32(&bytes[off + 14]));
        p.granule = static_cast<std::int64_t>(platform::LoadLe64(&bytes[off + 6]));
        p.flags = bytes[off + 5];
        const std::size_t segments = bytes[off + 26];
        if (off + 27 + segments > bytes.size()) {
            break;
        }
        for (std::size_t i = 0; i < segments; ++i) {
            p.bodySize += bytes[off + 27 + i];
        }
        p.size = 27 + segments + p.bodySize;
        if (off + p.size > bytes.size()) {
            break;
        }
        pages.push_back(p);
        off += p.size;
    }
    return pages;
}
