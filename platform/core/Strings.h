#pragma once
// String helpers with the semantics of the Windows functions the program uses.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Types.h"

// Case-insensitive (ASCII) comparison: <0, 0, >0 like lstrcmpiA.
int lstrcmpiA(const char* a, const char* b);
int lstrlenA(const char* s);
bool EqualsNoCase(std::string_view a, std::string_view b);

namespace platform {
// Copies at most size-1 characters and always terminates (when size > 0).
void CopyBounded(char* dst, std::size_t size, std::string_view src);
// Value of one hexadecimal digit in either case, -1 for any other character.
int HexDigit(char c);
// c in lower case when it is an ASCII capital, else c itself.
char LowerAscii(char c);
// The lines of a text without their ends ("\n" or "\r\n"); a last line without
// an end counts, an empty text has none.
std::vector<std::string_view> SplitLines(std::string_view text);
// Length of the valid UTF-8 sequence that starts at s[i], 0 when it is not one
// (overlong forms, surrogates and values past U+10FFFF are not); *codePoint gets its value.
std::size_t Utf8Sequence(std::string_view s, std::size_t i, char32_t* codePoint = nullptr);
// The UTF-8 form of one code point; a surrogate or a value past U+10FFFF is U+FFFD.
std::string Utf8Of(char32_t codePoint);
}

// The program's multi-byte text is UTF-8 whatever the code page; invalid bytes
// become U+FFFD. With dstLen 0 returns the length needed, else the length written
// (0 when it does not fit). A srcLen of -1 includes the terminator.
constexpr UINT CP_ACP = 0;
constexpr UINT CP_UTF8 = 65001;
constexpr DWORD MB_PRECOMPOSED = 0x1;
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR src, int srcLen, LPWSTR dst, int dstLen);
