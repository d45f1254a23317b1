#include "files/Sha1.h"

#include <cstring>

namespace {
inline std::uint32_t Rol(std::uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }
}

void Sha1Transform(std::uint32_t h[5], const std::uint8_t block[64])
{
    std::uint32_t w[80];
    for (int i = 0; i < 16; ++i) {
        w[i] = std::uint32_t(block[4 * i]) << 24 | std::uint32_t(block[4 * i + 1]) << 16 |
               std::uint32_t(block[4 * i + 2]) << 8 | std::uint32_t(block[4 * i + 3]);
    }
    for (int i = 16; i < 80; ++i) {
        w[i] = Rol(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
    }
    std::uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];
    auto step = [&](std::uint32_t f, std::uint32_t k, std::uint32_t wi) {
        const std::uint32_t t = Rol(a, 5) + f + e + k + wi;
        e = d;
        d = c;
        c = Rol(b, 30);
        b = a;
        a = t;
    };
    for (int i = 0; i < 20; ++i) {
        step((b & c) | (~b & d), 0x5A827999u, w[i]);
    }
    for (int i = 20; i < 40; ++i) {
        step(b ^ c ^ d, 0x6ED9EBA1u, w[i]);
    }
    for (int i = 40; i < 60; ++i) {
        step((b & c) | (b & d) | (c & d), 0x8F1BBCDCu, w[i]);
    }
    for (int i = 60; i < 80; ++i) {
        step(b ^ c ^ d, 0xCA62C1D6u, w[i]);
    }
    h[0] += a;
    h[1] += b;
    h[2] += c;
    h[3] += d;
    h[4] += e;
}

void Sha1Init(Sha1State* s)
{
    s->h[0] = 0x67452301u;
    s->h[1] = 0xEFCDAB89u;
    s->h[2] = 0x98BADCFEu;
    s->h[3] = 0x10325476u;
    s->h[4] = 0xC3D2E1F0u;
    s->bits = 0;
    std::memset(s->block, 0, sizeof s->block);
}

void Sha1Update(Sha1State* s, const void* data, std::size_t count)
{
    const auto* p = static_cast<const std::uint8_t*>(data);
    std::size_t used = static_cast<std::size_t>((s->bits / 8) % 64);
    s->bits += static_cast<std::uint64_t>(count) * 8;
    if (used > 0) {
        const std::size_t take = count < 64 - used ? count : 64 - used;
        std::memcpy(s->block + used, p, take);
        p += take;
        count -= take;
        used += take;
        if (used < 64) {
            return;
        }
        Sha1Transform(s->h, s->block);
    }
    while (count >= 64) {
        Sha1Transform(s->h, p);
        p += 64;
        count -= 64;
    }
    if (count > 0) {
        std::memcpy(s->block, p, count);
    }
}

void Sha1Final(Sha1State* s, std::uint8_t digest[20])
{
    const std::uint64_t bits = s->bits;
    const std::uint8_t pad = 0x80;
    Sha1Update(s, &pad, 1);
    const std::uint8_t zero = 0;
    while ((s->bits / 8) % 64 != 56) {
        Sha1Update(s, &zero, 1);
    }
    std::uint8_t length[8];
    for (int i = 0; i < 8; ++i) {
        length[i] = static_cast<std::uint8_t>(bits >> (56 - 8 * i));
    }
    Sha1Update(s, length, 8);
    for (int i = 0; i < 5; ++i) {
        digest[4 * i] = static_cast<std::uint8_t>(s->h[i] >> 24);
        digest[4 * i + 1] = static_cast<std::uint8_t>(s->h[i] >> 16);
        digest[4 * i + 2] = static_cast<std::uint8_t>(s->h[i] >> 8);
        digest[4 * i + 3] = static_cast<std::uint8_t>(s->h[i]);
    }
    std::memset(s, 0, sizeof *s);
}
