#pragma once
// String helpers with the semantics of the Windows functions the program uses.
#include <cstddef>
#include <string>
#include <string_view>

// Case-insensitive (ASCII) comparison: <0, 0, >0 like lstrcmpiA.
int lstrcmpiA(const char* a, const char* b);
int lstrlenA(const char* s);
bool EqualsNoCase(std::string_view a, std::string_view b);

namespace platform {
// Copies at most size-1 characters and always terminates (when size > 0).
void CopyBounded(char* dst, std::size_t size, std::string_view src);
// Value of one hexadecimal digit in either case, -1 for any other character.
int HexDigit(char c);
}
