#pragma once
// Internal to files: the SHA-1 block steps, one per instruction set.
#include <cstddef>
#include <cstdint>

namespace sha1 {
using BlocksFn = void (*)(std::uint32_t h[5], const std::uint8_t* blocks, std::size_t count);

void BlocksScalar(std::uint32_t h[5], const std::uint8_t* blocks, std::size_t count);
#if defined(__x86_64__) || defined(__i386__)
void BlocksSsse3(std::uint32_t h[5], const std::uint8_t* blocks, std::size_t count);
void BlocksAvx2(std::uint32_t h[5], const std::uint8_t* blocks, std::size_t count);
void BlocksShaNi(std::uint32_t h[5], const std::uint8_t* blocks, std::size_t count);
#endif
}
