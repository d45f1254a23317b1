// Registered messages: numbers handed out in order, one per name.
#include "platform/user/RegisteredMessages.h"

#include <map>
#include <string>

#include "platform/core/Strings.h"

UINT RegisterWindowMessageA(LPCSTR name)
{
    if (!name || !*name) {
        return 0;
    }
    static std::map<std::string, UINT> numbers;
    std::string key = name;
    for (char& c : key) {
        c = platform::LowerAscii(c);
    }
    const auto it = numbers.find(key);
    if (it != numbers.end()) {
        return it->second;
    }
    const UINT next = 0xC000 + static_cast<UINT>(numbers.size());
    if (next > 0xFFFF) {
        return 0;
    }
    numbers.emplace(std::move(key), next);
    return next;
}
