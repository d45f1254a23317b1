#pragma once
// The private-profile (INI file) functions with the Windows semantics the
// program relies on: section and key names match without regard to case, the
// first matching section and key count, values are trimmed (and one pair of
// enclosing quotes removed), a missing file, section or key gives the default.
// Every write rewrites the file atomically, keeping every other line as it was.
#include "platform/core/Types.h"

// The number the value starts with: an optional sign, then decimal digits, or
// "0x"/"0o"/"0b" and digits of that base; reading stops at the first other
// character. A negative number comes back as its two's complement (cast the
// result to INT to get it back), text without digits gives 0, a number beyond
// the 32-bit range gives the nearest 32-bit limit, and a missing or empty value
// gives nDefault.
UINT GetPrivateProfileIntA(LPCSTR section, LPCSTR key, INT nDefault, LPCSTR fileName);
// Copies the value (or the default, trailing blanks removed; null means "")
// cut to size - 1 characters and terminated; returns the characters copied.
DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultText, LPSTR out, DWORD size,
                               LPCSTR fileName);
// Creates the file and the section when missing. A null value removes the key,
// a null key removes the whole section. A value with a line break is refused.
BOOL WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR fileName);
// Binary values: two hexadecimal digits per byte followed by a checksum byte
// (the low byte of the sum). Reading succeeds only for a value of exactly the
// requested size with a matching checksum; the buffer is untouched otherwise.
BOOL GetPrivateProfileStructA(LPCSTR section, LPCSTR key, LPVOID data, UINT size, LPCSTR fileName);
BOOL WritePrivateProfileStructA(LPCSTR section, LPCSTR key, LPVOID data, UINT size, LPCSTR fileName);
