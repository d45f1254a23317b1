// Page checksums through libogg, the backward search for the last whole page, end-mark edits, random stream serials.
#include "files/OggPage.h"

#include <cstring>
#include <random>
#include <vector>

#include <ogg/ogg.h>
#include <sys/random.h>

#include "platform/core/Bytes.h"

std::uint32_t OggPageChecksum(const BYTE* page, std::size_t length)
{
    if (length < 27) {
        return 0;
    }
    std::vector<unsigned char> copy(page, page + length);
    ogg_page og{};
    og.header = copy.data();
    og.header_len = static_cast<long>(length);
    og.body = copy.data() + length;
    og.body_len = 0;
    ogg_page_checksum_set(&og);
    return platform::LoadLe32(copy.data() + 22);
}

long FindLastOggPage(const BYTE* tail, std::size_t length, std::size_t* end)
{
    if (length < 27) {
        return -1;
    }
    for (std::size_t off = length - 27 + 1; off-- > 0;) {
        const BYTE* p = tail + off;
        if (std::memcmp(p, "OggS", 4) != 0 || p[4] != 0) {
            continue;
        }
        const std::size_t segments = p[26];
        const std::size_t rest = length - off;
        if (27 + segments > rest) {
            continue;
        }
        std::size_t body = 0;
        for (std::size_t i = 0; i < segments; ++i) {
            body += p[27 + i];
        }
        if (27 + segments + body > rest) {
            continue;
        }
        const std::size_t size = 27 + segments + body;
        std::uint32_t stored = 0;
        for (int i = 0; i < 4; ++i) {
            stored |= static_cast<std::uint32_t>(p[22 + i]) << (8 * i);
        }
        if (OggPageChecksum(p, size) == stored) {
            if (end) {
                *end = off + size;
            }
            return static_cast<long>(off);
        }
    }
    return -1;
}

namespace {
void StoreChecksum(BYTE* page, std::size_t length)
{
    platform::StoreLe32(page + 22, OggPageChecksum(page, length));
}
}

void ClearOggPageEndOfStream(BYTE* page, std::size_t length)
{
    page[5] &= 0x0B;
    StoreChecksum(page, length);
}

void MarkOggPageEndOfStream(BYTE* page, std::size_t length)
{
    page[5] |= 0x04;
    StoreChecksum(page, length);
}

int NewOggStreamSerial()
{
    unsigned int value = 0;
    if (getrandom(&value, sizeof value, 0) != static_cast<ssize_t>(sizeof value)) {
        std::random_device rd;
        value = rd();
    }
    return static_cast<int>(value);
}

int OggPageSerial(const BYTE* page) { return static_cast<int>(platform::LoadLe32(page + 14)); }
long OggPageSequence(const BYTE* page) { return static_cast<long>(platform::LoadLe32(page + 18)); }
std::int64_t OggPageGranule(const BYTE* page) { return static_cast<std::int64_t>(platform::LoadLe64(page + 6)); }
