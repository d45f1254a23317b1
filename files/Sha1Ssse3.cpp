// The SHA-1 block step with the message schedule in SSSE3 vectors (compiled with -mssse3).
#if defined(__x86_64__) || defined(__i386__)
#include "files/Sha1Kernels.h"
#include "files/Sha1Vectors.h"

namespace sha1 {
void BlocksSsse3(std::uint32_t h[5], const std::uint8_t* blocks, std::size_t count)
{
    if (count > 0) {
        HashWithSchedule<Lanes128>(h, blocks, count);
    }
}
}
#endif
