// Packets of the last pages of an Ogg stream and the page that ends it early.
#include "files/OggTail.h"

#include <cstring>

#include <ogg/ogg.h>

#include "files/OggPage.h"
#include "platform/core/Bytes.h"

namespace {
constexpr std::size_t kHeader = 27;

// Lacing values and body of a whole page; false when the bytes are no page.
bool SplitPage(const std::vector<BYTE>& page, const BYTE** lacing, std::size_t* segments, const BYTE** body)
{
    if (page.size() < kHeader || std::memcmp(page.data(), "OggS", 4) != 0) {
        return false;
    }
    *segments = page[26];
    if (page.size() < kHeader + *segments) {
        return false;
    }
    *lacing = page.data() + kHeader;
    std::size_t bodySize = 0;
    for (std::size_t i = 0; i < *segments; ++i) {
        bodySize += (*lacing)[i];
    }
    if (page.size() != kHeader + *segments + bodySize) {
        return false;
    }
    *body = page.data() + kHeader + *segments;
    return true;
}
}

bool OggTailPackets(const std::vector<OggTailPage>& pages, std::vector<OggTailPacket>* packets)
{
    packets->clear();
    std::vector<BYTE> current;
    bool carry = false;     // the previous page ended inside a packet
    bool skipping = false;  // inside a packet that began before the first page
    for (std::size_t p = 0; p < pages.size(); ++p) {
        const std::vector<BYTE>& page = pages[p].bytes;
        const BYTE* lacing = nullptr;
        const BYTE* body = nullptr;
        std::size_t segments = 0;
        if (!SplitPage(page, &lacing, &segments, &body)) {
            return false;
        }
        if (p > 0 && OggPageSequence(page.data()) != OggPageSequence(pages[p - 1].bytes.data()) + 1) {
            return false;
        }
        const bool continued = (page[5] & 1) != 0;
        if (p == 0) {
            skipping = continued;
        } else if (continued != carry) {
            return false;  // a packet left unfinished, or a continuation of nothing
        }
        std::size_t lastEnd = segments;
        for (std::size_t s = 0; s < segments; ++s) {
            if (lacing[s] < 255) {
                lastEnd = s;
            }
        }
        std::size_t at = 0;
        for (std::size_t s = 0; s < segments; ++s) {
            const std::size_t n = lacing[s];
            if (!skipping) {
                current.insert(current.end(), body + at, body + at + n);
            }
            at += n;
            if (n == 255) {
                continue;
            }
            if (!skipping) {
                OggTailPacket packet;
                packet.bytes.swap(current);
                packet.page = p;
                packet.lastSegment = s;
                packet.granule = s == lastEnd ? OggPageGranule(page.data()) : -1;
                packet.endOfStream = s == lastEnd && (page[5] & 4) != 0;
                packets->push_back(std::move(packet));
            }
            current.clear();
            skipping = false;
        }
        carry = segments > 0 && lacing[segments - 1] == 255;
    }
    return true;
}

std::vector<BYTE> OggPageCutAfter(const std::vector<BYTE>& page, std::size_t lastSegment, std::int64_t granule)
{
    const std::size_t segments = lastSegment + 1;
    std::size_t bodySize = 0;
    for (std::size_t i = 0; i < segments; ++i) {
        bodySize += page[kHeader + i];
    }
    const std::size_t oldSegments = page[26];
    std::vector<BYTE> out(page.begin(), page.begin() + static_cast<long>(kHeader + segments));
    out[26] = static_cast<BYTE>(segments);
    out[5] &= static_cast<BYTE>(~4u);
    platform::StoreLe64(out.data() + 6, static_cast<std::uint64_t>(granule));
    const BYTE* body = page.data() + kHeader + oldSegments;
    out.insert(out.end(), body, body + bodySize);
    ogg_page og{};
    og.header = out.data();
    og.header_len = static_cast<long>(kHeader + segments);
    og.body = out.data() + og.header_len;
    og.body_len = static_cast<long>(bodySize);
    ogg_page_checksum_set(&og);
    return out;
}
