// Comparison without case folds ASCII letters only; a null string sorts first; a bounded copy always ends in NUL.
#include "platform/core/Strings.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace {
int Lower(unsigned char c) { return static_cast<unsigned char>(platform::LowerAscii(static_cast<char>(c))); }
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

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

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

std::vector<std::string_view> SplitLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

std::string Utf8Of(char32_t cp)
{
    if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) {
        cp = 0xFFFD;
    }
    std::string out;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
    return out;
}

std::size_t Utf8Sequence(std::string_view s, std::size_t i, char32_t* codePoint)
{
    if (i >= s.size()) {
        return 0;
    }
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t n;
    char32_t cp;
    if (c < 0x80) {
        n = 1;
        cp = c;
    } else if ((c & 0xE0) == 0xC0) {
        n = 2;
        cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
        n = 3;
        cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
        n = 4;
        cp = c & 0x07;
    } else {
        return 0;
    }
    if (i + n > s.size()) {
        return 0;
    }
    for (std::size_t k = 1; k < n; ++k) {
        const auto d = static_cast<unsigned char>(s[i + k]);
        if ((d & 0xC0) != 0x80) {
            return 0;
        }
        cp = (cp << 6) | (d & 0x3F);
    }
    static constexpr char32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        return 0;
    }
    if (codePoint) {
        *codePoint = cp;
    }
    return n;
}
}

int MultiByteToWideChar(UINT, DWORD, LPCSTR src, int srcLen, LPWSTR dst, int dstLen)
{
    if (!src || dstLen < 0 || (dstLen > 0 && !dst)) {
        return 0;
    }
    const std::string_view in(src, srcLen < 0 ? std::strlen(src) + 1 : static_cast<std::size_t>(srcLen));
    std::wstring out;
    for (std::size_t i = 0; i < in.size();) {
        char32_t cp = 0xFFFD;
        const std::size_t n = platform::Utf8Sequence(in, i, &cp);
        out.push_back(static_cast<wchar_t>(n ? cp : 0xFFFD));
        i += n ? n : 1;
    }
    if (dstLen == 0) {
        return static_cast<int>(out.size());
    }
    if (out.size() > static_cast<std::size_t>(dstLen)) {
        return 0;
    }
    std::copy(out.begin(), out.end(), dst);
    return static_cast<int>(out.size());
}
