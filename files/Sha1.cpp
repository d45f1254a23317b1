// The SHA-1 block step, portable or on the x86 SHA extensions, chosen once unless TAPVOX_SHA1_PORTABLE is set.
#include "files/Sha1.h"

#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "files/Sha1Kernels.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#define TAPVOX_SHA1_X86 1
#endif

namespace {
#ifdef TAPVOX_SHA1_X86
struct CpuFeatures {
    bool ssse3 = false;
    bool avx2 = false;  // with BMI1 and BMI2, and the operating system saving the wide registers
    bool shaNi = false;
};

CpuFeatures Detect()
{
    CpuFeatures f;
    unsigned a, b, c, d;
    if (!__get_cpuid(1, &a, &b, &c, &d)) {
        return f;
    }
    f.ssse3 = (c & bit_SSSE3) != 0;
    const bool sse41 = (c & bit_SSE4_1) != 0;
    const bool osSavesYmm = (c & bit_OSXSAVE) && (c & bit_AVX) && [] {
        unsigned lo, hi;
        __asm__("xgetbv" : "=a"(lo), "=d"(hi) : "c"(0));
        return (lo & 6) == 6;
    }();
    if (!__get_cpuid_count(7, 0, &a, &b, &c, &d)) {
        return f;
    }
    f.avx2 = osSavesYmm && (b & bit_AVX2) && (b & bit_BMI) && (b & bit_BMI2);
    f.shaNi = f.ssse3 && sse41 && (b & bit_SHA);
    return f;
}

const CpuFeatures& Features()
{
    static const CpuFeatures features = Detect();
    return features;
}
#endif

sha1::BlocksFn KernelFn(Sha1Kernel kernel)
{
    switch (kernel) {
#ifdef TAPVOX_SHA1_X86
    case Sha1Kernel::Ssse3:
        return &sha1::BlocksSsse3;
    case Sha1Kernel::Avx2:
        return &sha1::BlocksAvx2;
    case Sha1Kernel::ShaNi:
        return &sha1::BlocksShaNi;
#endif
    default:
        return &sha1::BlocksScalar;
    }
}

// One indirect call per run of whole blocks, not per block.
void HashBlocks(std::uint32_t h[5], const std::uint8_t* blocks, std::size_t count)
{
    static const sha1::BlocksFn blocksFn = KernelFn(Sha1UpdateKernel());
    blocksFn(h, blocks, count);
}
}

Sha1Kernel Sha1FastestKernel(bool withoutShaInstructions)
{
    for (const Sha1Kernel k : {Sha1Kernel::ShaNi, Sha1Kernel::Avx2, Sha1Kernel::Ssse3}) {
        if (Sha1KernelAvailable(k) && !(withoutShaInstructions && k == Sha1Kernel::ShaNi)) {
            return k;
        }
    }
    return Sha1Kernel::Scalar;
}

Sha1Kernel Sha1UpdateKernel()
{
    static const Sha1Kernel kernel = Sha1FastestKernel(std::getenv("TAPVOX_SHA1_PORTABLE") != nullptr);
    return kernel;
}

bool Sha1KernelAvailable(Sha1Kernel kernel)
{
    switch (kernel) {
    case Sha1Kernel::Scalar:
        return true;
#ifdef TAPVOX_SHA1_X86
    case Sha1Kernel::Ssse3:
        return Features().ssse3;
    case Sha1Kernel::Avx2:
        return Features().avx2;
    case Sha1Kernel::ShaNi:
        return Features().shaNi;
#endif
    default:
        return false;
    }
}

void Sha1Blocks(Sha1Kernel kernel, std::uint32_t h[5], const std::uint8_t* blocks, std::size_t count)
{
    if (count > 0 && Sha1KernelAvailable(kernel)) {
        KernelFn(kernel)(h, blocks, count);
    }
}

void Sha1Transform(std::uint32_t h[5], const std::uint8_t block[64]) { HashBlocks(h, block, 1); }

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
    if (count == 0) {
        return;  // data may then be null
    }
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
        HashBlocks(s->h, s->block, 1);
    }
    if (count >= 64) {
        HashBlocks(s->h, p, count / 64);
        p += count / 64 * 64;
        count %= 64;
    }
    if (count > 0) {
        std::memcpy(s->block, p, count);
    }
}

void Sha1Final(Sha1State* s, std::uint8_t digest[20])
{
    // The 0x80 byte, zeros up to 8 bytes short of a block end, the bit count.
    const std::uint64_t bits = s->bits;
    const std::size_t used = static_cast<std::size_t>((bits / 8) % 64);
    const std::size_t zeros = used < 56 ? 55 - used : 119 - used;
    std::uint8_t pad[72] = {0x80};
    for (int i = 0; i < 8; ++i) {
        pad[1 + zeros + i] = static_cast<std::uint8_t>(bits >> (56 - 8 * i));
    }
    Sha1Update(s, pad, 1 + zeros + 8);
    for (int i = 0; i < 5; ++i) {
        digest[4 * i] = static_cast<std::uint8_t>(s->h[i] >> 24);
        digest[4 * i + 1] = static_cast<std::uint8_t>(s->h[i] >> 16);
        digest[4 * i + 2] = static_cast<std::uint8_t>(s->h[i] >> 8);
        digest[4 * i + 3] = static_cast<std::uint8_t>(s->h[i]);
    }
    std::memset(s, 0, sizeof *s);
}
