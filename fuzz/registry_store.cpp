// The registry store's text parser on arbitrary bytes: it must never crash, and
// whatever it accepts must format and parse back to the same store.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/registry/RegistryText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace platform::registry;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    StoreData store;
    if (!ParseStore(text, store)) {
        return 0;
    }
    const std::string formatted = FormatStore(store);
    StoreData again;
    if (!ParseStore(formatted, again) || FormatStore(again) != formatted) {
        std::abort();
    }
    for (auto& key : store.keys) {
        for (auto& value : key.values) {
            if (FindValue(*again.FindKey(key.path), value.name)->data != value.data) {
                std::abort();
            }
        }
    }
    return 0;
}
