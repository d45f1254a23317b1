// Comparison without case folds ASCII letters only; a null string sorts first; a bounded copy always ends in NUL.
#include "platform/core/Strings.h"

#include <cstring>

namespace {
int Lower(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c; }
}

int lstrcmpiA(const char* a, const char* b)
{
    if (!a || !b) {
        return a == b ? 0 : (a ? 1 : -1);
    }
    for (;; ++a, ++b) {
        const int ca = Lower(static_cast<unsigned char>(*a));
        const int cb = Lower(static_cast<unsigned char>(*b));
        if (ca != cb || ca == 0) {
            return ca - cb;
        }
    }
}

int lstrlenA(const char* s) { return s ? static_cast<int>(std::strlen(s)) : 0; }

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Lower(static_cast<unsigned char>(a[i])) != Lower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

namespace platform {
void CopyBounded(char* dst, std::size_t size, std::string_view src)
{
    if (size == 0) {
        return;
    }
    const std::size_t n = src.size() < size - 1 ? src.size() : size - 1;
    std::memcpy(dst, src.data(), n);
    dst[n] = '\0';
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}
}
