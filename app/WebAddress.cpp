// The web addresses; the host is a deployment value the build sets.
#include "app/WebAddress.h"

#include "platform/core/Strings.h"

namespace {
constexpr std::size_t kMaxAddress = 259;
constexpr const char* kScheme = "http://";

std::string Host() { return TAPVOX_MAKER_HOST; }
}

std::string WebAddress(const std::string& text)
{
    const bool hasScheme = text.size() >= 7 && EqualsNoCase(text.substr(0, 7), kScheme);
    return (hasScheme ? text : kScheme + text).substr(0, kMaxAddress);
}

std::string MakerHomePage() { return Host(); }

std::string ProductPage() { return Host() + "/tapvox.htm"; }

std::string UpdateCheckAddress(const char* productVersion)
{
    return (Host() + "/update.py?product=Tapvox&version=" + (productVersion ? productVersion : "")).substr(0, kMaxAddress);
}
