#pragma once
// SHA-1 (FIPS 180-1): 64-byte blocks, big-endian digest.
#include <cstddef>
#include <cstdint>

struct Sha1State {
    std::uint32_t h[5];
    std::uint64_t bits;
    std::uint8_t block[64];
};

void Sha1Init(Sha1State* s);
void Sha1Update(Sha1State* s, const void* data, std::size_t count);
// Writes the 20-byte digest and wipes the state; copy a running state first.
void Sha1Final(Sha1State* s, std::uint8_t digest[20]);
void Sha1Transform(std::uint32_t h[5], const std::uint8_t block[64]);

// The block steps behind Sha1Update, which takes the fastest this processor
// has (with TAPVOX_SHA1_PORTABLE set, the fastest without SHA instructions).
// Named here so tests and benchmarks can run each one.
enum class Sha1Kernel { Scalar, Ssse3, Avx2, ShaNi };
bool Sha1KernelAvailable(Sha1Kernel kernel);
Sha1Kernel Sha1FastestKernel(bool withoutShaInstructions);
// Sha1FastestKernel as the environment asks, settled at the first call.
Sha1Kernel Sha1UpdateKernel();
// count consecutive 64-byte blocks.
void Sha1Blocks(Sha1Kernel kernel, std::uint32_t h[5], const std::uint8_t* blocks, std::size_t count);
