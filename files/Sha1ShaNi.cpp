// The SHA-1 block step on the processor's SHA instructions (compiled with
// -msha -msse4.1 -mssse3): the signature covers every recorded byte, so
// hashing must keep pace with the disk.
#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

#include "files/Sha1Kernels.h"

namespace sha1 {
namespace {
// Words 4g..4g+3 from the four groups before them, in place of the oldest.
inline __m128i Words(__m128i* w, int g)
{
    if (g >= 4) {
        const __m128i x = _mm_xor_si128(_mm_sha1msg1_epu32(w[g & 3], w[(g + 1) & 3]), w[(g + 2) & 3]);
        w[g & 3] = _mm_sha1msg2_epu32(x, w[(g + 3) & 3]);
    }
    return w[g & 3];
}
}

void BlocksShaNi(std::uint32_t h[5], const std::uint8_t* blocks, std::size_t count)
{
    const __m128i reverse = _mm_set_epi64x(0x0001020304050607LL, 0x08090a0b0c0d0e0fLL);
    // The state stays in registers from one block to the next.
    __m128i abcd = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(h)), 0x1B);
    __m128i e0 = _mm_set_epi32(static_cast<int>(h[4]), 0, 0, 0);
    for (; count > 0; --count, blocks += 64) {
        const __m128i abcdSave = abcd;
        const __m128i e0Save = e0;
        __m128i w[4];
        for (int i = 0; i < 4; ++i) {
            w[i] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(blocks + 16 * i)), reverse);
        }
        __m128i prev = abcd;
#define TAPVOX_SHA_GROUPS(func, from, to)                                                                \
    _Pragma("GCC unroll 5") for (int g = (from); g < (to); ++g)                                          \
    {                                                                                                    \
        const __m128i words = Words(w, g);                                                               \
        const __m128i ew = g == 0 ? _mm_add_epi32(e0, words) : _mm_sha1nexte_epu32(prev, words);         \
        prev = abcd;                                                                                     \
        abcd = _mm_sha1rnds4_epu32(abcd, ew, func);                                                      \
    }
        TAPVOX_SHA_GROUPS(0, 0, 5)
        TAPVOX_SHA_GROUPS(1, 5, 10)
        TAPVOX_SHA_GROUPS(2, 10, 15)
        TAPVOX_SHA_GROUPS(3, 15, 20)
#undef TAPVOX_SHA_GROUPS
        e0 = _mm_sha1nexte_epu32(prev, e0Save);
        abcd = _mm_add_epi32(abcd, abcdSave);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(h), _mm_shuffle_epi32(abcd, 0x1B));
    h[4] = static_cast<std::uint32_t>(_mm_extract_epi32(e0, 3));
}
}
#endif
