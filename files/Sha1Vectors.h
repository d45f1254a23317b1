#pragma once
// Internal to files: the SHA-1 message schedule built with vector instructions,
// four words of one block per 128-bit lane. Each vector block step is compiled
// for its own instruction set, so nothing here has external linkage.
#include <cstddef>
#include <cstdint>
#include <immintrin.h>
#include <utility>

#include "files/Sha1Rounds.h"

namespace sha1 {
namespace {
// One block per vector.
struct Lanes128 {
    using V = __m128i;
    static constexpr int kBlocks = 1;
    static V Load(const std::uint8_t* blocks, int g)
    {
        const __m128i swap = _mm_set_epi64x(0x0c0d0e0f08090a0bLL, 0x0405060700010203LL);
        return _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(blocks + 16 * g)), swap);
    }
    static V Xor(V a, V b) { return _mm_xor_si128(a, b); }
    template <int n>
    static V Rol(V x) { return _mm_or_si128(_mm_slli_epi32(x, n), _mm_srli_epi32(x, 32 - n)); }
    // Words 1..3 moved down one place, a zero on top.
    static V Next3(V x) { return _mm_srli_si128(x, 4); }
    // Word 0 moved to the top, zeros below.
    static V FirstOnTop(V x) { return _mm_slli_si128(x, 12); }
    // Words 2, 3 of lo, then words 0, 1 of hi.
    static V Middle(V hi, V lo) { return _mm_alignr_epi8(hi, lo, 8); }
    static V AddK(V x, std::uint32_t k) { return _mm_add_epi32(x, _mm_set1_epi32(static_cast<int>(k))); }
    static void Store(std::uint32_t (*wk)[80], int g, V x) { _mm_storeu_si128(reinterpret_cast<__m128i*>(wk[0] + 4 * g), x); }
};

// Group g (words 4g..4g+3) of the schedule of Ops::kBlocks consecutive blocks:
// W[t] + K into wk[block], W[t] kept in w for the groups after it.
template <typename Ops>
[[gnu::always_inline]] inline void ScheduleGroup(int g, const std::uint8_t* blocks, typename Ops::V* w,
                                                 std::uint32_t (*wk)[80])
{
    using V = typename Ops::V;
    if (g < 4) {
        w[g] = Ops::Load(blocks, g);
    } else if (g < 8) {
        // W[t+3] needs W[t] of the same group: it is added to the top word after.
        const V x = Ops::Xor(Ops::Xor(w[g - 4], w[g - 2]), Ops::Xor(Ops::Middle(w[g - 3], w[g - 4]), Ops::Next3(w[g - 1])));
        const V r = Ops::template Rol<1>(x);
        w[g] = Ops::Xor(r, Ops::template Rol<1>(Ops::FirstOnTop(r)));
    } else {
        // From word 32 on, W[t] = rol2(W[t-6] ^ W[t-16] ^ W[t-28] ^ W[t-32]): no
        // word of a group depends on another of the same group.
        w[g] = Ops::template Rol<2>(
            Ops::Xor(Ops::Xor(Ops::Middle(w[g - 1], w[g - 2]), w[g - 4]), Ops::Xor(w[g - 7], w[g - 8])));
    }
    Ops::Store(wk, g, Ops::AddK(w[g], kK[g / 5]));
}

// Hashes count groups of Ops::kBlocks blocks. The schedule of the next group
// is built between the rounds of the current one's first block, so the vector
// work fills the time the rounds spend waiting on each other.
template <typename Ops>
[[gnu::always_inline]] inline void HashWithSchedule(std::uint32_t h[5], const std::uint8_t* blocks, std::size_t count)
{
    constexpr std::size_t kStride = 64 * Ops::kBlocks;
    alignas(64) std::uint32_t wk[2][Ops::kBlocks][80];
    std::uint32_t (*now)[80] = wk[0];
    std::uint32_t (*next)[80] = wk[1];
    typename Ops::V w[20];
#pragma GCC unroll 20
    for (int g = 0; g < 20; ++g) {
        ScheduleGroup<Ops>(g, blocks, w, now);
    }
    for (; count > 1; --count, blocks += kStride) {
        Rounds(
            h, [&](int t) { return now[0][t]; },
            [&](int t) {
                if (t % 4 == 3) {
                    ScheduleGroup<Ops>(t / 4, blocks + kStride, w, next);
                }
            });
        for (int b = 1; b < Ops::kBlocks; ++b) {
            Rounds(h, [&](int t) { return now[b][t]; });
        }
        std::swap(now, next);
    }
    for (int b = 0; b < Ops::kBlocks; ++b) {
        Rounds(h, [&](int t) { return now[b][t]; });
    }
}
}
}
