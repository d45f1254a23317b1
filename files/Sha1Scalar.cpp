// The SHA-1 block step in plain integer code, for any processor.
#include "files/Sha1Kernels.h"
#include "files/Sha1Rounds.h"

namespace sha1 {
void BlocksScalar(std::uint32_t h[5], const std::uint8_t* blocks, std::size_t count)
{
    for (; count > 0; --count, blocks += 64) {
        // The schedule is made as the rounds need it, in a ring of 16 words.
        std::uint32_t w[16];
        Rounds(h, [&](int t) {
            if (t < 16) {
                const std::uint8_t* p = blocks + 4 * t;
                w[t] = std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
            } else {
                w[t & 15] = Rol(w[(t - 3) & 15] ^ w[(t - 8) & 15] ^ w[(t - 14) & 15] ^ w[t & 15], 1);
            }
            return w[t & 15] + kK[t / 20];
        });
    }
}
}
