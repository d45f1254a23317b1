// The product is formed in 64 bits and rounded on its magnitude, so both signs round alike.
#include "platform/kernel/MulDiv.h"

#include <cstdint>

int MulDiv(int number, int numerator, int denominator)
{
    if (denominator == 0) {
        return -1;
    }
    const std::int64_t product = static_cast<std::int64_t>(number) * numerator;
    const std::int64_t d = denominator;
    const bool negative = (product < 0) != (d < 0);
    // Round half away from zero on magnitudes; the product of two ints fits in 63 bits.
    const std::uint64_t p = product < 0 ? static_cast<std::uint64_t>(-product) : static_cast<std::uint64_t>(product);
    const std::uint64_t q = d < 0 ? static_cast<std::uint64_t>(-d) : static_cast<std::uint64_t>(d);
    const std::uint64_t r = (p + q / 2) / q;
    if (r > 2147483647u) {
        return -1;
    }
    return negative ? -static_cast<int>(r) : static_cast<int>(r);
}
