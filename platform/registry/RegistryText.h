#pragma once
// The text form of the registry store file: keys as "[path]" sections, values
// as "name"=... lines in the style of exported registry files, between a header
// line and an end line (a file without its end line was cut short).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Types.h"

namespace platform::registry {
struct StoredValue {
    std::string name;
    DWORD type = 0;
    std::vector<std::uint8_t> data;
};

struct StoredKey {
    std::string path;  // relative to the root, "\"-separated
    std::vector<StoredValue> values;
};

struct StoreData {
    std::vector<StoredKey> keys;

    // Case-insensitive lookups, as key and value names are on Windows.
    StoredKey* FindKey(std::string_view path);
    StoredKey& AddKey(std::string_view path);
    bool RemoveKey(std::string_view path);
};

StoredValue* FindValue(StoredKey& key, std::string_view name);
void SetValue(StoredKey& key, std::string_view name, DWORD type, const std::uint8_t* data, std::size_t size);
bool RemoveValue(StoredKey& key, std::string_view name);

// Largest value and file the store accepts; anything bigger is refused or
// treated as damaged rather than read into memory.
constexpr std::size_t kMaxValueBytes = 1u << 20;
constexpr std::size_t kMaxStoreBytes = 64u << 20;

// Whether a key path can be written into the text form.
bool IsValidKeyPath(std::string_view path);

std::string FormatStore(const StoreData& data);
// Bytes that a key's header line and a value's line take in the text form, so
// a change can be measured against kMaxStoreBytes before it is made.
std::size_t KeyTextSize(std::string_view path);
std::size_t ValueTextSize(const StoredValue& value);
// False when the text is not a whole, well-formed store file (truncated,
// garbage, not UTF-8 ...); *error then says why.
bool ParseStore(std::string_view text, StoreData& out, std::string* error = nullptr);
}
