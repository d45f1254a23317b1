// Formatting into a buffer that doubles until the text fits.
#include "app/FormatString.h"

#include <cstdio>
#include <vector>

std::string FormatString(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string text = FormatStringV(format, args);
    va_end(args);
    return text;
}

std::string FormatStringV(const char* format, va_list args)
{
    if (!format) {
        return {};
    }
    std::vector<char> buffer(256);
    for (;;) {
        // Each attempt reads the arguments from the start: a used list cannot be read again.
        va_list attempt;
        va_copy(attempt, args);
        const int n = std::vsnprintf(buffer.data(), buffer.size(), format, attempt);
        va_end(attempt);
        if (n < 0) {
            return {};
        }
        if (static_cast<std::size_t>(n) < buffer.size()) {
            return std::string(buffer.data(), static_cast<std::size_t>(n));
        }
        buffer.resize(buffer.size() * 2);
    }
}
