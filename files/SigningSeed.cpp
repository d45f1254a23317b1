// The seed is put together at run time, so its letters never stand in a row in the program's data.
#include "files/SigningSeed.h"

namespace {
// The two halves of the product name, kept apart.
const char kFirst[] = {'T', 'a', 'p', 0};
const char kSecond[] = {'v', 'o', 'x', 0};
}

std::string SigningSeed()
{
    // Second half, then first, with the case of each letter turned.
    std::string seed;
    for (const char* part : {kSecond, kFirst}) {
        for (const char* c = part; *c; ++c) {
            const bool upper = *c >= 'A' && *c <= 'Z';
            seed += static_cast<char>(upper ? *c + ('a' - 'A') : *c - ('a' - 'A'));
        }
    }
    return seed;
}
