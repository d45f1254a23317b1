// The program's version resource in a block of our own layout: size, translation, then name and value texts.
#include "platform/kernel/VersionInfo.h"

#include <cstdio>
#include <cstring>
#include <mutex>

#include "platform/core/Strings.h"
#include "platform/kernel/Files.h"

namespace {
constexpr std::size_t kHeader = 8;  // DWORD total size, DWORD translation

std::mutex& Lock()
{
    static std::mutex m;
    return m;
}
std::vector<unsigned char>& Block()
{
    static std::vector<unsigned char> block;
    return block;
}

DWORD ReadDword(const unsigned char* p)
{
    DWORD v = 0;
    std::memcpy(&v, p, sizeof v);
    return v;
}

bool IsOwnFile(LPCSTR fileName)
{
    char own[MAX_PATH] = "";
    const DWORD n = GetModuleFileNameA(nullptr, own, sizeof own);
    return fileName && n > 0 && n < sizeof own && std::strcmp(fileName, own) == 0;
}

// The value after "\StringFileInfo\" + the translation's eight hex digits + "\", or null.
const char* StringName(const char* subBlock, DWORD translation)
{
    static const char kPrefix[] = "\\StringFileInfo\\";
    if (!EqualsNoCase(std::string(subBlock).substr(0, sizeof kPrefix - 1), kPrefix)) {
        return nullptr;
    }
    char key[16];
    std::snprintf(key, sizeof key, "%04x%04x", static_cast<unsigned>(translation & 0xFFFF), static_cast<unsigned>(translation >> 16));
    const char* rest = subBlock + sizeof kPrefix - 1;
    if (std::strlen(rest) < 9 || !EqualsNoCase(std::string(rest, 8), key) || rest[8] != '\\') {
        return nullptr;
    }
    return rest + 9;
}
}

namespace platform {
void SetVersionResource(const VersionResource& resource)
{
    std::vector<unsigned char> block;
    if (!resource.strings.empty()) {
        block.resize(kHeader);
        const DWORD translation = static_cast<DWORD>(resource.language) | (static_cast<DWORD>(resource.codePage) << 16);
        std::memcpy(block.data() + 4, &translation, sizeof translation);
        for (const auto& [name, value] : resource.strings) {
            block.insert(block.end(), name.begin(), name.end());
            block.push_back('\0');
            block.insert(block.end(), value.begin(), value.end());
            block.push_back('\0');
        }
        const DWORD size = static_cast<DWORD>(block.size());
        std::memcpy(block.data(), &size, sizeof size);
    }
    std::lock_guard<std::mutex> guard(Lock());
    Block() = std::move(block);
}
}

DWORD GetFileVersionInfoSizeA(LPCSTR fileName, DWORD* handle)
{
    if (handle) {
        *handle = 0;
    }
    std::lock_guard<std::mutex> guard(Lock());
    return IsOwnFile(fileName) ? static_cast<DWORD>(Block().size()) : 0;
}

BOOL GetFileVersionInfoA(LPCSTR fileName, DWORD, DWORD size, LPVOID data)
{
    std::lock_guard<std::mutex> guard(Lock());
    const auto& block = Block();
    if (!data || block.empty() || size < block.size() || !IsOwnFile(fileName)) {
        return FALSE;
    }
    std::memcpy(data, block.data(), block.size());
    return TRUE;
}

BOOL VerQueryValueA(const void* block, LPCSTR subBlock, LPVOID* buffer, UINT* length)
{
    if (!block || !subBlock || !buffer) {
        return FALSE;
    }
    const auto* bytes = static_cast<const unsigned char*>(block);
    const DWORD size = ReadDword(bytes);
    if (size < kHeader) {
        return FALSE;
    }
    if (EqualsNoCase(subBlock, "\\VarFileInfo\\Translation")) {
        *buffer = const_cast<unsigned char*>(bytes + 4);
        if (length) {
            *length = 4;
        }
        return TRUE;
    }
    const char* wanted = StringName(subBlock, ReadDword(bytes + 4));
    if (!wanted) {
        return FALSE;
    }
    // Name and value texts alternate to the end of the block, each with its terminator.
    const char* p = reinterpret_cast<const char*>(bytes + kHeader);
    const char* end = reinterpret_cast<const char*>(bytes + size);
    while (p < end) {
        const char* name = p;
        const char* value = name + strnlen(name, static_cast<std::size_t>(end - name)) + 1;
        if (value >= end) {
            break;
        }
        const std::size_t valueLength = strnlen(value, static_cast<std::size_t>(end - value));
        if (EqualsNoCase(name, wanted)) {
            *buffer = const_cast<char*>(value);
            if (length) {
                *length = static_cast<UINT>(valueLength + 1);
            }
            return TRUE;
        }
        p = value + valueLength + 1;
    }
    return FALSE;
}
