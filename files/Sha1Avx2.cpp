// The SHA-1 block step with the schedules of two blocks at once in AVX2 vectors
// (compiled with -mavx2 -mbmi -mbmi2).
#if defined(__x86_64__) || defined(__i386__)
#include "files/Sha1Kernels.h"
#include "files/Sha1Vectors.h"

namespace sha1 {
namespace {
// Two blocks: the first in the low 128-bit lane, the next in the high one.
struct Lanes256 {
    using V = __m256i;
    static constexpr int kBlocks = 2;
    static V Load(const std::uint8_t* blocks, int g)
    {
        const __m256i swap = _mm256_set_epi64x(0x0c0d0e0f08090a0bLL, 0x0405060700010203LL, 0x0c0d0e0f08090a0bLL,
                                               0x0405060700010203LL);
        const V both = _mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(blocks + 64 + 16 * g),
                                           reinterpret_cast<const __m128i*>(blocks + 16 * g));
        return _mm256_shuffle_epi8(both, swap);
    }
    static V Xor(V a, V b) { return _mm256_xor_si256(a, b); }
    template <int n>
    static V Rol(V x) { return _mm256_or_si256(_mm256_slli_epi32(x, n), _mm256_srli_epi32(x, 32 - n)); }
    static V Next3(V x) { return _mm256_srli_si256(x, 4); }
    static V FirstOnTop(V x) { return _mm256_slli_si256(x, 12); }
    static V Middle(V hi, V lo) { return _mm256_alignr_epi8(hi, lo, 8); }
    static V AddK(V x, std::uint32_t k) { return _mm256_add_epi32(x, _mm256_set1_epi32(static_cast<int>(k))); }
    static void Store(std::uint32_t (*wk)[80], int g, V x)
    {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(wk[0] + 4 * g), _mm256_castsi256_si128(x));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(wk[1] + 4 * g), _mm256_extracti128_si256(x, 1));
    }
};
}

void BlocksAvx2(std::uint32_t h[5], const std::uint8_t* blocks, std::size_t count)
{
    if (count >= 2) {
        HashWithSchedule<Lanes256>(h, blocks, count / 2);
    }
    if (count % 2) {
        HashWithSchedule<Lanes128>(h, blocks + 64 * (count - 1), 1);
    }
}
}
#endif
