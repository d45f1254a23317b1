// Each profile write reads, edits and replaces its file under the folder lock; structs carry a checksum byte.
#include "platform/profile/Profile.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/kernel/AtomicFile.h"
#include "platform/profile/ProfileText.h"

using platform::profile::IniText;

namespace {
// Larger files are not settings files; they are neither read nor rewritten.
constexpr std::size_t kMaxIniBytes = 16u << 20;

bool Load(LPCSTR fileName, std::string& text, bool* missing)
{
    *missing = false;
    switch (platform::ReadWholeFile(fileName, text, kMaxIniBytes)) {
    case platform::FileReadResult::Ok:
        return true;
    case platform::FileReadResult::Missing:
        *missing = true;
        text.clear();
        return true;
    default:
        return false;
    }
}

std::optional<std::string> Lookup(LPCSTR section, LPCSTR key, LPCSTR fileName)
{
    if (!section || !key || !fileName || !*fileName) {
        return std::nullopt;
    }
    std::string text;
    bool missing;
    if (!Load(fileName, text, &missing) || missing) {
        return std::nullopt;
    }
    return IniText(text).Get(section, key);
}

DWORD CopyOut(const std::string& value, LPSTR out, DWORD size)
{
    // A NUL inside the file ends the text as the caller will see it.
    const std::size_t n = std::min<std::size_t>(std::min(value.find('\0'), value.size()), size - 1);
    std::memcpy(out, value.data(), n);
    out[n] = '\0';
    return static_cast<DWORD>(n);
}

template <typename Edit>
BOOL Rewrite(LPCSTR fileName, Edit edit)
{
    if (!fileName || !*fileName) {
        return FALSE;
    }
    // Read, change and replace under one lock, so no writer's change is lost.
    const platform::FolderLock lock(fileName);
    std::string text;
    bool missing;
    if (!lock.locked() || !Load(fileName, text, &missing)) {
        return FALSE;
    }
    platform::RemoveStaleTempFiles(fileName);
    IniText ini(text);
    edit(ini);
    const std::string updated = ini.Text();
    if (!missing && updated == text) {
        return TRUE;
    }
    return platform::WriteFileAtomically(fileName, updated, 0644) ? TRUE : FALSE;
}

bool HasLineBreak(LPCSTR s) { return s && std::strpbrk(s, "\r\n") != nullptr; }
}

UINT GetPrivateProfileIntA(LPCSTR section, LPCSTR key, INT nDefault, LPCSTR fileName)
{
    const auto value = Lookup(section, key, fileName);
    if (!value || value->empty()) {
        return static_cast<UINT>(nDefault);
    }
    return static_cast<UINT>(platform::profile::ParseProfileInt(*value));
}

DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultText, LPSTR out, DWORD size,
                               LPCSTR fileName)
{
    if (!out || size == 0) {
        return 0;
    }
    if (const auto value = Lookup(section, key, fileName)) {
        return CopyOut(*value, out, size);
    }
    std::string def = defaultText ? defaultText : "";
    while (!def.empty() && def.back() == ' ') {
        def.pop_back();
    }
    return CopyOut(def, out, size);
}

BOOL WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR fileName)
{
    if (!section || !*section || HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value) ||
        (key && (!*key || std::strchr(key, '=')))) {
        return FALSE;
    }
    return Rewrite(fileName, [&](IniText& ini) {
        if (!key) {
            ini.RemoveSection(section);
        } else if (!value) {
            ini.RemoveKey(section, key);
        } else {
            ini.Set(section, key, value);
        }
    });
}

BOOL GetPrivateProfileStructA(LPCSTR section, LPCSTR key, LPVOID data, UINT size, LPCSTR fileName)
{
    const auto value = Lookup(section, key, fileName);
    if (!data || !value || value->size() != 2 * static_cast<std::size_t>(size) + 2) {
        return FALSE;
    }
    auto digit = [](char c) {
        return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    };
    std::string bytes;
    unsigned sum = 0;
    for (std::size_t i = 0; i < value->size(); i += 2) {
        const int hi = digit((*value)[i]);
        const int lo = digit((*value)[i + 1]);
        if (hi < 0 || lo < 0) {
            return FALSE;
        }
        const auto b = static_cast<unsigned char>(hi * 16 + lo);
        if (i / 2 < size) {
            bytes += static_cast<char>(b);
            sum += b;
        } else if ((sum & 0xFF) != b) {
            return FALSE;
        }
    }
    std::memcpy(data, bytes.data(), size);
    return TRUE;
}

BOOL WritePrivateProfileStructA(LPCSTR section, LPCSTR key, LPVOID data, UINT size, LPCSTR fileName)
{
    if (!key) {
        return WritePrivateProfileStringA(section, nullptr, nullptr, fileName);
    }
    if (!data && size) {
        return FALSE;
    }
    static const char hex[] = "0123456789ABCDEF";
    std::string text;
    unsigned sum = 0;
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (UINT i = 0; i < size; ++i) {
        text += hex[bytes[i] >> 4];
        text += hex[bytes[i] & 15];
        sum += bytes[i];
    }
    text += hex[(sum >> 4) & 15];
    text += hex[sum & 15];
    return WritePrivateProfileStringA(section, key, text.c_str(), fileName);
}
