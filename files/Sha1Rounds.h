#pragma once
// Internal to files: the 80 SHA-1 rounds, unrolled, shared by the block steps
// that differ only in how they build the message schedule.
#include <cstdint>

namespace sha1 {
namespace {
constexpr std::uint32_t kK[4] = {0x5A827999u, 0x6ED9EBA1u, 0x8F1BBCDCu, 0xCA62C1D6u};

inline std::uint32_t Rol(std::uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }
inline std::uint32_t Ch(std::uint32_t b, std::uint32_t c, std::uint32_t d) { return d ^ (b & (c ^ d)); }
inline std::uint32_t Parity(std::uint32_t b, std::uint32_t c, std::uint32_t d) { return b ^ c ^ d; }
// The two terms have no bit in common, so adding them is their or.
inline std::uint32_t Maj(std::uint32_t b, std::uint32_t c, std::uint32_t d) { return (b & c) + (d & (b ^ c)); }

struct NothingBetween {
    void operator()(int) const {}
};

// wk(t) gives W[t] + K for round t; it is called for t = 0..79 in order.
// between(t) runs after round t: work of its own (the next blocks' schedule)
// that the processor can do while the rounds wait on each other.
template <typename WK, typename Between = NothingBetween>
[[gnu::always_inline]] inline void Rounds(std::uint32_t h[5], WK&& wk, Between&& between = {})
{
    std::uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];
    // Five rounds rename the variables instead of moving them.
#define TAPVOX_SHA1_ROUND(F, a, b, c, d, e, t) \
    e += Rol(a, 5) + F(b, c, d) + wk(t);       \
    b = Rol(b, 30);                            \
    between(t);
#define TAPVOX_SHA1_ROUND5(F, t)                  \
    TAPVOX_SHA1_ROUND(F, a, b, c, d, e, (t))     \
    TAPVOX_SHA1_ROUND(F, e, a, b, c, d, (t) + 1) \
    TAPVOX_SHA1_ROUND(F, d, e, a, b, c, (t) + 2) \
    TAPVOX_SHA1_ROUND(F, c, d, e, a, b, (t) + 3) \
    TAPVOX_SHA1_ROUND(F, b, c, d, e, a, (t) + 4)
    TAPVOX_SHA1_ROUND5(Ch, 0)
    TAPVOX_SHA1_ROUND5(Ch, 5)
    TAPVOX_SHA1_ROUND5(Ch, 10)
    TAPVOX_SHA1_ROUND5(Ch, 15)
    TAPVOX_SHA1_ROUND5(Parity, 20)
    TAPVOX_SHA1_ROUND5(Parity, 25)
    TAPVOX_SHA1_ROUND5(Parity, 30)
    TAPVOX_SHA1_ROUND5(Parity, 35)
    TAPVOX_SHA1_ROUND5(Maj, 40)
    TAPVOX_SHA1_ROUND5(Maj, 45)
    TAPVOX_SHA1_ROUND5(Maj, 50)
    TAPVOX_SHA1_ROUND5(Maj, 55)
    TAPVOX_SHA1_ROUND5(Parity, 60)
    TAPVOX_SHA1_ROUND5(Parity, 65)
    TAPVOX_SHA1_ROUND5(Parity, 70)
    TAPVOX_SHA1_ROUND5(Parity, 75)
#undef TAPVOX_SHA1_ROUND5
#undef TAPVOX_SHA1_ROUND
    h[0] += a;
    h[1] += b;
    h[2] += c;
    h[3] += d;
    h[4] += e;
}
}
}
