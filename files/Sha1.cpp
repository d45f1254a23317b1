// The SHA-1 block step, portable or on the x86 SHA extensions, chosen once unless TAPVOX_SHA1_PORTABLE is set.
#include "files/Sha1.h"

#include <cstdlib>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <immintrin.h>
#define TAPVOX_SHA_NI 1
#endif

namespace {
inline std::uint32_t Rol(std::uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

void TransformPortable(std::uint32_t h[5], const std::uint8_t block[64])
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
    for (int i = 0; i < 80; ++i) {
        std::uint32_t f, k;
        if (i < 20) {
            f = d ^ (b & (c ^ d));
            k = 0x5A827999u;
        } else if (i < 40) {
            f = b ^ c ^ d;
            k = 0x6ED9EBA1u;
        } else if (i < 60) {
            f = (b & c) | (d & (b | c));
            k = 0x8F1BBCDCu;
        } else {
            f = b ^ c ^ d;
            k = 0xCA62C1D6u;
        }
        const std::uint32_t t = Rol(a, 5) + f + e + k + w[i];
        e = d;
        d = c;
        c = Rol(b, 30);
        b = a;
        a = t;
    }
    h[0] += a;
    h[1] += b;
    h[2] += c;
    h[3] += d;
    h[4] += e;
}

#ifdef TAPVOX_SHA_NI
// Words 4g..4g+3 from the four groups before them, in place of the oldest.
__attribute__((target("sha,sse4.1,ssse3"))) inline __m128i ShaNiWords(__m128i* w, int g)
{
    if (g >= 4) {
        const __m128i x = _mm_xor_si128(_mm_sha1msg1_epu32(w[g & 3], w[(g + 1) & 3]), w[(g + 2) & 3]);
        w[g & 3] = _mm_sha1msg2_epu32(x, w[(g + 3) & 3]);
    }
    return w[g & 3];
}

// The processor's SHA-1 instructions: the signature covers every recorded byte,
// so hashing must keep pace with the disk.
__attribute__((target("sha,sse4.1,ssse3"))) void TransformShaNi(std::uint32_t h[5], const std::uint8_t block[64])
{
    const __m128i reverse = _mm_set_epi64x(0x0001020304050607LL, 0x08090a0b0c0d0e0fLL);
    __m128i abcd = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(h)), 0x1B);
    const __m128i e0 = _mm_set_epi32(static_cast<int>(h[4]), 0, 0, 0);
    const __m128i abcdSave = abcd;
    __m128i w[4];
    for (int i = 0; i < 4; ++i) {
        w[i] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 16 * i)), reverse);
    }
    __m128i prev = abcd;
#define TAPVOX_SHA_GROUPS(func, from, to)                                                       \
    _Pragma("GCC unroll 5") for (int g = (from); g < (to); ++g) {                                                       \
        const __m128i words = ShaNiWords(w, g);                                                       \
        const __m128i ew = g == 0 ? _mm_add_epi32(e0, words) : _mm_sha1nexte_epu32(prev, words); \
        prev = abcd;                                                                             \
        abcd = _mm_sha1rnds4_epu32(abcd, ew, func);                                              \
    }
    TAPVOX_SHA_GROUPS(0, 0, 5)
    TAPVOX_SHA_GROUPS(1, 5, 10)
    TAPVOX_SHA_GROUPS(2, 10, 15)
    TAPVOX_SHA_GROUPS(3, 15, 20)
#undef TAPVOX_SHA_GROUPS
    const __m128i e = _mm_sha1nexte_epu32(prev, e0);
    abcd = _mm_shuffle_epi32(_mm_add_epi32(abcd, abcdSave), 0x1B);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(h), abcd);
    h[4] = static_cast<std::uint32_t>(_mm_extract_epi32(e, 3));
}

bool HaveShaNi()
{
    unsigned a, b, c, d;
    if (!__get_cpuid(1, &a, &b, &c, &d) || !(c & (1u << 19)) || !(c & (1u << 9))) {
        return false;
    }
    return __get_cpuid_count(7, 0, &a, &b, &c, &d) && (b & (1u << 29));
}
#endif

using TransformFn = void (*)(std::uint32_t*, const std::uint8_t*);

TransformFn ChooseTransform()
{
#ifdef TAPVOX_SHA_NI
    if (HaveShaNi() && !std::getenv("TAPVOX_SHA1_PORTABLE")) {
        return &TransformShaNi;
    }
#endif
    return &TransformPortable;
}
}

void Sha1TransformPortable(std::uint32_t h[5], const std::uint8_t block[64])
{
    TransformPortable(h, block);
}

void Sha1Transform(std::uint32_t h[5], const std::uint8_t block[64])
{
    static const TransformFn transform = ChooseTransform();
    transform(h, block);
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
