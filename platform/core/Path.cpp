// Splitting a path at its last separator of either kind, and joining paths with "/".
#include "platform/core/Path.h"

namespace platform {
bool IsSeparator(char c) { return c == '/' || c == '\\'; }

std::size_t LastSeparator(std::string_view path)
{
    for (std::size_t i = path.size(); i > 0; --i) {
        if (IsSeparator(path[i - 1])) {
            return i - 1;
        }
    }
    return std::string_view::npos;
}

std::string_view FileNamePart(std::string_view path)
{
    const std::size_t p = LastSeparator(path);
    return p == std::string_view::npos ? path : path.substr(p + 1);
}

std::string_view FolderPart(std::string_view path)
{
    const std::size_t p = LastSeparator(path);
    return p == std::string_view::npos ? std::string_view{} : path.substr(0, p + 1);
}

std::string JoinPath(std::string_view folder, std::string_view name)
{
    std::string out(folder);
    if (!out.empty() && !IsSeparator(out.back())) {
        out += '/';
    }
    out += name;
    return ToSlashes(out);
}

std::string ToSlashes(std::string_view path)
{
    std::string out(path);
    for (char& c : out) {
        if (c == '\\') {
            c = '/';
        }
    }
    return out;
}
}
