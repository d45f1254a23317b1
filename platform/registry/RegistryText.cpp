// Writing and parsing the store text; bytes that are not UTF-8 are escaped, so the file always is UTF-8.
#include "platform/registry/RegistryText.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/core/Bytes.h"
#include "platform/core/Strings.h"
#include "platform/registry/Registry.h"

namespace platform::registry {
namespace {
constexpr std::string_view kHeader = "; Tapvox settings store, format 1";
constexpr std::string_view kTrailer = "; end";

// Length of the valid UTF-8 sequence starting at s[i] (0 when invalid).
std::size_t Utf8Length(std::string_view s, std::size_t i)
{
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t n;
    std::uint32_t cp;
    if (c < 0x80) {
        return 1;
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
    // Overlong forms, surrogates and values past the last code point are not UTF-8.
    static constexpr std::uint32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        return 0;
    }
    return n;
}

const char kHex[] = "0123456789abcdef";

void AppendQuoted(std::string& out, std::string_view s)
{
    out += '"';
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c == '\\' || c == '"') {
            out += '\\';
            out += static_cast<char>(c);
            ++i;
        } else if (c == '\n') {
            out += "\\n";
            ++i;
        } else if (c == '\r') {
            out += "\\r";
            ++i;
        } else if (c == '\t') {
            out += "\\t";
            ++i;
        } else if (c < 0x20 || c == 0x7F) {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 15];
            ++i;
        } else if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
        } else if (const std::size_t n = Utf8Length(s, i)) {
            out.append(s.substr(i, n));
            i += n;
        } else {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 15];
            ++i;
        }
    }
    out += '"';
}

// Reads a quoted string at line[pos]; pos ends after the closing quote.
bool ReadQuoted(std::string_view line, std::size_t& pos, std::string& out)
{
    if (pos >= line.size() || line[pos] != '"') {
        return false;
    }
    ++pos;
    while (pos < line.size()) {
        const char c = line[pos++];
        if (c == '"') {
            return true;
        }
        if (c != '\\') {
            out += c;
            if (out.size() > kMaxValueBytes) {
                return false;
            }
            continue;
        }
        if (pos >= line.size()) {
            return false;
        }
        const char e = line[pos++];
        switch (e) {
        case '\\':
        case '"':
            out += e;
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case 't':
            out += '\t';
            break;
        case 'x': {
            if (pos + 2 > line.size()) {
                return false;
            }
            const int hi = platform::HexDigit(line[pos]);
            const int lo = platform::HexDigit(line[pos + 1]);
            if (hi < 0 || lo < 0) {
                return false;
            }
            out += static_cast<char>(hi * 16 + lo);
            pos += 2;
            break;
        }
        default:
            return false;
        }
    }
    return false;
}

// "hh,hh,...,hh": sized from the text first, as values may be a megabyte long.
bool ReadHexBytes(std::string_view s, std::vector<std::uint8_t>& out)
{
    if (s.empty()) {
        return true;
    }
    if ((s.size() + 1) % 3 != 0 || (s.size() + 1) / 3 > kMaxValueBytes) {
        return false;
    }
    out.resize((s.size() + 1) / 3);
    for (std::size_t i = 0, pos = 0; i < out.size(); ++i, pos += 3) {
        const int hi = platform::HexDigit(s[pos]);
        const int lo = platform::HexDigit(s[pos + 1]);
        if (hi < 0 || lo < 0 || (pos + 2 < s.size() && s[pos + 2] != ',')) {
            return false;
        }
        out[i] = static_cast<std::uint8_t>(hi * 16 + lo);
    }
    return true;
}

void AppendHexBytes(std::string& out, const std::vector<std::uint8_t>& data)
{
    if (data.empty()) {
        return;
    }
    const std::size_t at = out.size();
    out.resize(at + 3 * data.size() - 1, ',');
    char* p = out.data() + at;
    for (const std::uint8_t b : data) {
        p[0] = kHex[b >> 4];
        p[1] = kHex[b & 15];
        p += 3;
    }
}

bool Fail(std::string* error, std::string message)
{
    if (error) {
        *error = std::move(message);
    }
    return false;
}
}

StoredKey* StoreData::FindKey(std::string_view path)
{
    for (auto& key : keys) {
        if (EqualsNoCase(key.path, path)) {
            return &key;
        }
    }
    return nullptr;
}

StoredKey& StoreData::AddKey(std::string_view path)
{
    if (StoredKey* found = FindKey(path)) {
        return *found;
    }
    keys.push_back(StoredKey{std::string(path), {}});
    return keys.back();
}

bool StoreData::RemoveKey(std::string_view path)
{
    const auto it = std::find_if(keys.begin(), keys.end(), [&](const StoredKey& k) { return EqualsNoCase(k.path, path); });
    if (it == keys.end()) {
        return false;
    }
    keys.erase(it);
    return true;
}

StoredValue* FindValue(StoredKey& key, std::string_view name)
{
    for (auto& value : key.values) {
        if (EqualsNoCase(value.name, name)) {
            return &value;
        }
    }
    return nullptr;
}

void SetValue(StoredKey& key, std::string_view name, DWORD type, const std::uint8_t* data, std::size_t size)
{
    StoredValue* value = FindValue(key, name);
    if (!value) {
        key.values.push_back(StoredValue{std::string(name), 0, {}});
        value = &key.values.back();
    }
    value->type = type;
    value->data.assign(data, data + size);
}

bool RemoveValue(StoredKey& key, std::string_view name)
{
    const auto it = std::find_if(key.values.begin(), key.values.end(),
                                 [&](const StoredValue& v) { return EqualsNoCase(v.name, name); });
    if (it == key.values.end()) {
        return false;
    }
    key.values.erase(it);
    return true;
}

bool IsValidKeyPath(std::string_view path)
{
    if (path.size() > 1024) {
        return false;
    }
    for (std::size_t i = 0; i < path.size();) {
        const auto c = static_cast<unsigned char>(path[i]);
        if (c < 0x20 || c == 0x7F || c == ']' || c == '[') {
            return false;
        }
        const std::size_t n = Utf8Length(path, i);
        if (n == 0) {
            return false;
        }
        i += n;
    }
    return true;
}

namespace {
void AppendKeyLine(std::string& out, std::string_view path)
{
    out += "\n[";
    out += path;
    out += "]\n";
}

void AppendValueLine(std::string& out, const StoredValue& value)
{
    AppendQuoted(out, value.name);
    out += '=';
    const auto& d = value.data;
    const bool plainText =
        value.type == REG_SZ && !d.empty() && d.back() == 0 && std::find(d.begin(), d.end() - 1, 0) == d.end() - 1;
    if (plainText) {
        AppendQuoted(out, std::string_view(reinterpret_cast<const char*>(d.data()), d.size() - 1));
    } else if (value.type == REG_DWORD && d.size() == 4) {
        char buf[16];
        const DWORD v = platform::LoadLe32(d.data());
        std::snprintf(buf, sizeof buf, "dword:%08x", static_cast<unsigned>(v));
        out += buf;
    } else if (value.type == REG_BINARY) {
        out += "hex:";
        AppendHexBytes(out, d);
    } else {
        out += "hex(" + std::to_string(value.type) + "):";
        AppendHexBytes(out, d);
    }
    out += '\n';
}
}

std::size_t KeyTextSize(std::string_view path)
{
    std::string line;
    AppendKeyLine(line, path);
    return line.size();
}

std::size_t ValueTextSize(const StoredValue& value)
{
    std::string line;
    AppendValueLine(line, value);
    return line.size();
}

std::string FormatStore(const StoreData& data)
{
    std::string out;
    out += kHeader;
    out += '\n';
    for (const auto& key : data.keys) {
        AppendKeyLine(out, key.path);
        for (const auto& value : key.values) {
            AppendValueLine(out, value);
        }
    }
    out += '\n';
    out += kTrailer;
    out += '\n';
    return out;
}

bool ParseStore(std::string_view text, StoreData& out, std::string* error)
{
    out.keys.clear();
    if (text.size() > kMaxStoreBytes) {
        return Fail(error, "file too large");
    }
    for (std::size_t i = 0; i < text.size();) {
        // Eight ASCII characters at a time, none of them NUL.
        std::uint64_t eight;
        if (i + 8 <= text.size() && (std::memcpy(&eight, text.data() + i, 8), (eight & 0x8080808080808080u) == 0) &&
            ((eight - 0x0101010101010101u) & ~eight & 0x8080808080808080u) == 0) {
            i += 8;
            continue;
        }
        const std::size_t n = Utf8Length(text, i);
        if (n == 0 || text[i] == '\0') {
            return Fail(error, "not UTF-8 text");
        }
        i += n;
    }
    std::vector<std::string_view> lines;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            return Fail(error, "last line cut short");
        }
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        lines.push_back(line);
        start = end + 1;
    }
    if (lines.empty() || lines.front() != kHeader) {
        return Fail(error, "no store header");
    }
    std::size_t last = lines.size();
    while (last > 1 && lines[last - 1].empty()) {
        --last;
    }
    if (last < 2 || lines[last - 1] != kTrailer) {
        return Fail(error, "no end line (file cut short)");
    }
    StoredKey* current = nullptr;
    for (std::size_t li = 1; li + 1 < last; ++li) {
        const std::string_view line = lines[li];
        if (line.empty() || line.front() == ';') {
            continue;
        }
        if (line.front() == '[') {
            if (line.back() != ']' || line.size() < 2) {
                return Fail(error, "bad key line " + std::to_string(li + 1));
            }
            const std::string_view path = line.substr(1, line.size() - 2);
            if (!IsValidKeyPath(path)) {
                return Fail(error, "bad key name on line " + std::to_string(li + 1));
            }
            current = &out.AddKey(path);
            continue;
        }
        if (!current) {
            return Fail(error, "value outside a key on line " + std::to_string(li + 1));
        }
        std::size_t pos = 0;
        std::string name;
        if (!ReadQuoted(line, pos, name) || pos >= line.size() || line[pos] != '=') {
            return Fail(error, "bad value line " + std::to_string(li + 1));
        }
        ++pos;
        const std::string_view rest = line.substr(pos);
        std::vector<std::uint8_t> data;
        DWORD type;
        if (!rest.empty() && rest.front() == '"') {
            std::string s;
            std::size_t p = 0;
            if (!ReadQuoted(rest, p, s) || p != rest.size()) {
                return Fail(error, "bad text value on line " + std::to_string(li + 1));
            }
            type = REG_SZ;
            data.assign(s.begin(), s.end());
            data.push_back(0);
        } else if (rest.starts_with("dword:")) {
            const std::string_view digits = rest.substr(6);
            if (digits.size() != 8) {
                return Fail(error, "bad dword on line " + std::to_string(li + 1));
            }
            DWORD v = 0;
            for (char c : digits) {
                const int d = platform::HexDigit(c);
                if (d < 0) {
                    return Fail(error, "bad dword on line " + std::to_string(li + 1));
                }
                v = (v << 4) | static_cast<DWORD>(d);
            }
            type = REG_DWORD;
            data.resize(4);
            platform::StoreLe32(data.data(), v);
        } else if (rest.starts_with("hex:")) {
            type = REG_BINARY;
            if (!ReadHexBytes(rest.substr(4), data)) {
                return Fail(error, "bad binary value on line " + std::to_string(li + 1));
            }
        } else if (rest.starts_with("hex(")) {
            const std::size_t close = rest.find("):");
            if (close == std::string_view::npos || close == 4 || close > 14) {
                return Fail(error, "bad typed value on line " + std::to_string(li + 1));
            }
            std::uint64_t t = 0;
            for (char c : rest.substr(4, close - 4)) {
                if (c < '0' || c > '9') {
                    return Fail(error, "bad value type on line " + std::to_string(li + 1));
                }
                t = t * 10 + static_cast<std::uint64_t>(c - '0');
            }
            if (t > 0xFFFFFFFFu) {
                return Fail(error, "bad value type on line " + std::to_string(li + 1));
            }
            type = static_cast<DWORD>(t);
            if (!ReadHexBytes(rest.substr(close + 2), data)) {
                return Fail(error, "bad typed value on line " + std::to_string(li + 1));
            }
        } else {
            return Fail(error, "unknown value form on line " + std::to_string(li + 1));
        }
        SetValue(*current, name, type, data.data(), data.size());
    }
    return true;
}
}
