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
// The same block step without processor SHA instructions (they are used when present).
void Sha1TransformPortable(std::uint32_t h[5], const std::uint8_t block[64]);
