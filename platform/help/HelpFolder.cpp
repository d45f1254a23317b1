// Help-folder lookups: the path split, the popup text file and the context map.
#include "platform/help/HelpFolder.h"

#include <sys/stat.h>

#include <cstdlib>

#include "platform/core/Strings.h"
#include "platform/kernel/AtomicFile.h"

namespace platform::help_detail {
namespace {
constexpr std::size_t kMaxFileSize = 1 << 20;  // far above any help text file; a bigger one is not ours

std::optional<std::string> ReadSmallFile(const std::string& path)
{
    std::string text;
    if (platform::ReadWholeFile(path, text, kMaxFileSize) != platform::FileReadResult::Ok) {
        return std::nullopt;
    }
    return text;
}

std::string TrimRight(std::string s)
{
    while (!s.empty() && (s.back() == '\r' || s.back() == '\n' || s.back() == ' ' || s.back() == '\t')) {
        s.pop_back();
    }
    return s;
}

// The number at the start of text (after blanks), with what follows it.
bool LeadingNumber(const std::string& text, unsigned long& value, std::string& rest)
{
    std::size_t i = text.find_first_not_of(" \t");
    if (i == std::string::npos || text[i] < '0' || text[i] > '9') {
        return false;
    }
    char* end = nullptr;
    value = std::strtoul(text.c_str() + i, &end, 10);
    rest = end;
    const std::size_t r = rest.find_first_not_of(" \t");
    rest = r == std::string::npos ? std::string() : TrimRight(rest.substr(r));
    return true;
}
}

HelpPath SplitHelpPath(const std::string& path)
{
    for (const char* sep : {"::/", "::\\"}) {
        const std::size_t at = path.find(sep);
        if (at != std::string::npos) {
            return HelpPath{path.substr(0, at), path.substr(at + 3)};
        }
    }
    return HelpPath{path, std::string()};
}

bool IsFolder(const std::string& path)
{
    struct stat st{};
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsFile(const std::string& path)
{
    struct stat st{};
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::optional<std::string> PopupText(const std::string& file, unsigned id)
{
    const auto text = ReadSmallFile(file);
    if (!text) {
        return std::nullopt;
    }
    std::optional<std::string> found;
    bool inTopic = false;
    for (const std::string_view line : platform::SplitLines(*text)) {
        if (line.starts_with(".topic")) {
            if (inTopic) {
                break;
            }
            unsigned long n = 0;
            std::string rest;
            inTopic = LeadingNumber(std::string(line.substr(6)), n, rest) && n == id;
            if (inTopic) {
                found = std::string();
            }
        } else if (inTopic) {
            *found += line;
            *found += '\n';
        }
    }
    if (found) {
        *found = TrimRight(*found);
    }
    return found;
}

std::optional<std::string> ContextTopic(const std::string& folder, unsigned long id)
{
    const auto text = ReadSmallFile(folder + "/Contexts.txt");
    if (!text) {
        return std::nullopt;
    }
    for (const std::string_view line : platform::SplitLines(*text)) {
        unsigned long n = 0;
        std::string rest;
        if (LeadingNumber(std::string(line), n, rest) && n == id && !rest.empty()) {
            return rest;
        }
    }
    return std::nullopt;
}

std::string FileUrl(const std::string& path)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string url = "file://";
    for (const char c : path) {
        const auto u = static_cast<unsigned char>(c);
        const bool plain = (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') ||
                           u == '/' || u == '-' || u == '_' || u == '.' || u == '~';
        if (plain) {
            url += c;
        } else {
            url += '%';
            url += kHex[u >> 4];
            url += kHex[u & 0xF];
        }
    }
    return url;
}
}
