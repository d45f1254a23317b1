// How one settings value is read and written in the registry and in an INI file, defaults and checks included.
#include "settings/SettingsRules.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/core/Strings.h"
#include "platform/profile/Profile.h"

namespace settings {
bool ParseDecimal(const char* text, long long lo, long long hi, long long* out)
{
    if (!text) {
        return false;
    }
    const char* p = text;
    while (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n' || *p == '\v' || *p == '\f') {
        ++p;
    }
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    if (!std::isdigit(static_cast<unsigned char>(*p))) {
        return false;
    }
    long long value = 0;
    bool overflow = false;
    for (; std::isdigit(static_cast<unsigned char>(*p)); ++p) {
        if (value > (1LL << 40)) {
            overflow = true;  // far outside every range a setting allows
        } else {
            value = value * 10 + (*p - '0');
        }
    }
    if (negative) {
        value = -value;
    }
    if (overflow || value < lo || value > hi) {
        return false;
    }
    if (out) {
        *out = value;
    }
    return true;
}

int DecimalOr(const char* text, long long lo, long long hi, int def)
{
    long long value = 0;
    return ParseDecimal(text, lo, hi, &value) ? static_cast<int>(value) : def;
}

namespace {
bool Query(HKEY key, const char* name, void* out, DWORD capacity, DWORD* got)
{
    if (!key) {
        return false;
    }
    DWORD size = capacity;
    if (RegQueryValueExA(key, name, nullptr, nullptr, static_cast<BYTE*>(out), &size) != ERROR_SUCCESS) {
        return false;
    }
    *got = size;
    return true;
}

bool Set(HKEY key, const char* name, DWORD type, const void* data, DWORD size)
{
    return key && RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
}
}

int RegGetByte(HKEY key, const char* name, int def)
{
    BYTE b = 0;
    DWORD got = 0;
    return Query(key, name, &b, 1, &got) && got == 1 ? b : def;
}

int RegGetWide(HKEY key, const char* name, int def)
{
    BYTE b[4] = {};
    DWORD got = 0;
    if (!Query(key, name, b, 4, &got) || got == 0) {
        return def;
    }
    std::uint32_t v = 0;
    for (DWORD i = 0; i < got; ++i) {
        v |= static_cast<std::uint32_t>(b[i]) << (8 * i);
    }
    return got == 4 ? static_cast<int>(static_cast<std::int32_t>(v)) : static_cast<int>(v);
}

bool RegGetLong(HKEY key, const char* name, LONG* out)
{
    BYTE b[4];
    DWORD got = 0;
    if (!Query(key, name, b, 4, &got) || got != 4) {
        return false;
    }
    std::memcpy(out, b, 4);
    return true;
}

bool RegSetByte(HKEY key, const char* name, long long value)
{
    const BYTE b = static_cast<BYTE>(value & 0xFF);
    return Set(key, name, REG_BINARY, &b, 1);
}

bool RegSetWide(HKEY key, const char* name, long long value)
{
    if (value >= 0 && value <= 255) {
        return RegSetByte(key, name, value);
    }
    return RegSetLong(key, name, static_cast<LONG>(value));
}

bool RegSetLong(HKEY key, const char* name, LONG value)
{
    BYTE b[4];
    std::memcpy(b, &value, 4);
    return Set(key, name, REG_BINARY, b, 4);
}

bool RegGetText(HKEY key, const char* name, char* out, std::size_t size, const char* def)
{
    if (!out || size == 0) {
        return false;
    }
    std::vector<char> buf(size);
    DWORD got = 0;
    if (Query(key, name, buf.data(), static_cast<DWORD>(size), &got)) {
        // A stored text need not end with its terminator.
        const std::size_t n = std::min<std::size_t>(got, size - 1);
        std::memcpy(out, buf.data(), n);
        out[n] = '\0';
        return true;
    }
    platform::CopyBounded(out, size, def ? def : "");
    return false;
}

bool RegSetText(HKEY key, const char* name, const char* text)
{
    return text && Set(key, name, REG_SZ, text, static_cast<DWORD>(std::strlen(text) + 1));
}

bool RegSetDecimal(HKEY key, const char* name, long long value)
{
    return RegSetText(key, name, std::to_string(value).c_str());
}

int IniGetInt(const char* section, const char* key, int def, const char* path)
{
    return static_cast<INT>(GetPrivateProfileIntA(section, key, def, path));
}

void IniGetText(const char* section, const char* key, const char* def, char* out, std::size_t size, const char* path)
{
    GetPrivateProfileStringA(section, key, def, out, static_cast<DWORD>(size), path);
}

bool IniSetInt(const char* section, const char* key, long long value, const char* path)
{
    return WritePrivateProfileStringA(section, key, std::to_string(value).c_str(), path) != FALSE;
}

bool IniSetText(const char* section, const char* key, const char* text, const char* path)
{
    return WritePrivateProfileStringA(section, key, text ? text : "", path) != FALSE;
}

void SetDefaultWaveFormat(WAVEFORMATEX* format)
{
    format->wFormatTag = WAVE_FORMAT_PCM;
    format->nChannels = 1;
    format->nSamplesPerSec = 8000;
    format->nAvgBytesPerSec = 8000;
    format->nBlockAlign = 1;
    format->wBitsPerSample = 8;
    format->cbSize = 0;
}

bool IsWholeFormat(const unsigned char* bytes, std::size_t count, std::size_t capacity, bool exact)
{
    if (count < sizeof(WAVEFORMATEX)) {
        return false;
    }
    WAVEFORMATEX head;
    std::memcpy(&head, bytes, sizeof head);
    const std::size_t whole = sizeof(WAVEFORMATEX) + head.cbSize;
    return whole <= capacity && (exact ? whole == count : whole <= count);
}

bool RegGetFormat(HKEY key, const char* name, WAVEFORMATEX* buffer, std::size_t capacity)
{
    if (!buffer || capacity < sizeof(WAVEFORMATEX)) {
        return false;
    }
    std::vector<unsigned char> bytes(capacity);
    DWORD got = 0;
    if (!Query(key, name, bytes.data(), static_cast<DWORD>(capacity), &got) ||
        !IsWholeFormat(bytes.data(), got, capacity, true)) {
        return false;
    }
    std::memcpy(buffer, bytes.data(), got);
    return true;
}

bool IniGetFormat(const char* section, const char* key, WAVEFORMATEX* buffer, std::size_t capacity, const char* path)
{
    if (!buffer || capacity < sizeof(WAVEFORMATEX)) {
        return false;
    }
    std::vector<char> text(2 * capacity + 1);
    const DWORD length = GetPrivateProfileStringA(section, key, "", text.data(), static_cast<DWORD>(text.size()), path);
    std::vector<unsigned char> bytes;
    for (DWORD i = 0; i + 1 < length; i += 2) {
        const char pair[3] = {text[i], text[i + 1], 0};
        if (!std::isxdigit(static_cast<unsigned char>(pair[0])) || !std::isxdigit(static_cast<unsigned char>(pair[1]))) {
            return false;
        }
        bytes.push_back(static_cast<unsigned char>(std::strtoul(pair, nullptr, 16)));
    }
    if (!IsWholeFormat(bytes.data(), bytes.size(), capacity, false)) {
        return false;
    }
    std::memcpy(buffer, bytes.data(), bytes.size());
    return true;
}

bool RegSetFormat(HKEY key, const char* name, const WAVEFORMATEX* format)
{
    return format && Set(key, name, REG_BINARY, format, static_cast<DWORD>(WaveFormatSize(*format)));
}

bool IniSetFormat(const char* section, const char* key, const WAVEFORMATEX* buffer, std::size_t maxFormatSize,
                  std::size_t allocated, const char* path)
{
    if (!buffer) {
        return false;
    }
    const std::size_t count = std::min(std::max(maxFormatSize, WaveFormatSize(*buffer)), allocated);
    static const char hex[] = "0123456789abcdef";
    std::string text;
    text.reserve(2 * count);
    const auto* bytes = reinterpret_cast<const unsigned char*>(buffer);
    for (std::size_t i = 0; i < count; ++i) {
        text += hex[bytes[i] >> 4];
        text += hex[bytes[i] & 15];
    }
    return WritePrivateProfileStringA(section, key, text.c_str(), path) != FALSE;
}
}
