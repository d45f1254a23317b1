#pragma once
// The rules every settings section follows when it reads or writes one value:
// registry values (1-byte and 4-byte binaries, decimal and plain texts, format
// records) and their INI forms. A value that cannot be read, or reads outside
// what the caller accepts, leaves the caller's default in force.
#include <cstddef>

#include "platform/core/WaveFormat.h"
#include "platform/registry/Registry.h"

namespace settings {
constexpr std::size_t kTextSize = 260;

// A decimal number (blanks, sign, digits; what follows the digits is ignored)
// parsed in 64 bits. False when there are no digits or it lies outside [lo, hi].
bool ParseDecimal(const char* text, long long lo, long long hi, long long* out);
// The parsed number, or def when ParseDecimal fails.
int DecimalOr(const char* text, long long lo, long long hi, int def);

// Registry. Reads fail on a missing value or one larger than asked for.
int RegGetByte(HKEY key, const char* name, int def);  // 1-byte value, 0..255
// A value written by RegSetWide: 1 to 4 bytes, little-endian; 4 bytes are signed.
int RegGetWide(HKEY key, const char* name, int def);
bool RegGetLong(HKEY key, const char* name, LONG* out);  // exactly 4 bytes, signed
bool RegSetByte(HKEY key, const char* name, long long value);  // the low byte
// One byte when the value fits in 0..255, else the four bytes of the 32-bit value.
bool RegSetWide(HKEY key, const char* name, long long value);
bool RegSetLong(HKEY key, const char* name, LONG value);
// A text read into size characters (at most 260), always terminated; on failure
// the default (null: empty text) and false.
bool RegGetText(HKEY key, const char* name, char* out, std::size_t size, const char* def);
bool RegSetText(HKEY key, const char* name, const char* text);  // REG_SZ, length + 1
bool RegSetDecimal(HKEY key, const char* name, long long value);

// INI files.
int IniGetInt(const char* section, const char* key, int def, const char* path);
void IniGetText(const char* section, const char* key, const char* def, char* out, std::size_t size, const char* path);
bool IniSetInt(const char* section, const char* key, long long value, const char* path);
bool IniSetText(const char* section, const char* key, const char* text, const char* path);

// Wave format records.
void SetDefaultWaveFormat(WAVEFORMATEX* format);  // PCM, mono, 8000 Hz, 8 bit
// Whether bytes hold a whole record: at least 18 bytes and 18 + cbSize of them
// within both the bytes given and the capacity of the receiving buffer.
bool IsWholeFormat(const unsigned char* bytes, std::size_t count, std::size_t capacity, bool exact);
// Reads a stored record into the buffer only when it is whole, else returns
// false and leaves the buffer alone. In the registry the stored size must be
// exactly 18 + cbSize; the INI text holds the whole buffer, so there the record
// must lie within the decoded bytes.
bool RegGetFormat(HKEY key, const char* name, WAVEFORMATEX* buffer, std::size_t capacity);
bool IniGetFormat(const char* section, const char* key, WAVEFORMATEX* buffer, std::size_t capacity, const char* path);
bool RegSetFormat(HKEY key, const char* name, const WAVEFORMATEX* format);
// Hex text ("%2.2x" per byte) of maxFormatSize bytes of the buffer, or of the
// whole record when it is longer, never beyond the buffer's allocation.
bool IniSetFormat(const char* section, const char* key, const WAVEFORMATEX* buffer, std::size_t maxFormatSize,
                  std::size_t allocated, const char* path);
}
