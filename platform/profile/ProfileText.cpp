// Parsing and editing INI lines; the byte-order mark and line ending stay, and integers clamp to int.
#include "platform/profile/ProfileText.h"

#include <climits>
#include <cstdint>

#include "platform/core/Strings.h"

namespace platform::profile {
namespace {
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && IsBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

bool IsSectionLine(std::string_view line, std::string_view* name)
{
    line = Trim(line);
    if (line.empty() || line.front() != '[') {
        return false;
    }
    line.remove_prefix(1);
    const std::size_t close = line.find(']');
    *name = Trim(close == std::string_view::npos ? line : line.substr(0, close));
    return true;
}

// A key line: "key=value", or a bare word, which is a key with an empty value.
bool IsKeyLine(std::string_view line, std::string_view* key, std::string_view* value)
{
    line = Trim(line);
    if (line.empty() || line.front() == ';' || line.front() == '[') {
        return false;
    }
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) {
        *key = line;
        *value = {};
    } else {
        *key = Trim(line.substr(0, eq));
        *value = Trim(line.substr(eq + 1));
    }
    return true;
}
}

IniText::IniText(std::string_view text)
{
    if (text.starts_with("\xEF\xBB\xBF")) {
        bom_ = true;
        text.remove_prefix(3);
    }
    const std::size_t firstNl = text.find('\n');
    if (firstNl != std::string_view::npos && firstNl > 0 && text[firstNl - 1] == '\r') {
        newline_ = "\r\n";
    }
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        lines_.emplace_back(line);
        start = end + 1;
    }
}

std::size_t IniText::FindSection(std::string_view section) const
{
    const std::string_view wanted = Trim(section);
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        std::string_view name;
        if (IsSectionLine(lines_[i], &name) && EqualsNoCase(name, wanted)) {
            return i;
        }
    }
    return std::string::npos;
}

std::size_t IniText::SectionEnd(std::size_t header) const
{
    std::size_t i = header + 1;
    std::string_view name;
    while (i < lines_.size() && !IsSectionLine(lines_[i], &name)) {
        ++i;
    }
    return i;
}

std::size_t IniText::FindKey(std::size_t header, std::string_view key) const
{
    const std::string_view wanted = Trim(key);
    const std::size_t end = SectionEnd(header);
    for (std::size_t i = header + 1; i < end; ++i) {
        std::string_view k, v;
        if (IsKeyLine(lines_[i], &k, &v) && EqualsNoCase(k, wanted)) {
            return i;
        }
    }
    return std::string::npos;
}

std::optional<std::string> IniText::Get(std::string_view section, std::string_view key) const
{
    const std::size_t header = FindSection(section);
    if (header == std::string::npos) {
        return std::nullopt;
    }
    const std::size_t line = FindKey(header, key);
    if (line == std::string::npos) {
        return std::nullopt;
    }
    std::string_view k, v;
    IsKeyLine(lines_[line], &k, &v);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
        v = v.substr(1, v.size() - 2);
    }
    return std::string(v);
}

void IniText::Set(std::string_view section, std::string_view key, std::string_view value)
{
    std::string line = std::string(Trim(key)) + "=" + std::string(value);
    const std::size_t header = FindSection(section);
    if (header == std::string::npos) {
        while (!lines_.empty() && Trim(lines_.back()).empty()) {
            lines_.pop_back();
        }
        if (!lines_.empty()) {
            lines_.emplace_back();
        }
        lines_.push_back(std::string("[").append(Trim(section)).append("]"));
        lines_.push_back(std::move(line));
        return;
    }
    const std::size_t found = FindKey(header, key);
    if (found != std::string::npos) {
        lines_[found] = std::move(line);
        return;
    }
    // After the section's last non-blank line, so a blank line before the next section stays.
    std::size_t at = SectionEnd(header);
    while (at > header + 1 && Trim(lines_[at - 1]).empty()) {
        --at;
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
}

void IniText::RemoveKey(std::string_view section, std::string_view key)
{
    const std::size_t header = FindSection(section);
    if (header == std::string::npos) {
        return;
    }
    const std::size_t found = FindKey(header, key);
    if (found != std::string::npos) {
        lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(found));
    }
}

void IniText::RemoveSection(std::string_view section)
{
    const std::size_t header = FindSection(section);
    if (header != std::string::npos) {
        lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(header),
                     lines_.begin() + static_cast<std::ptrdiff_t>(SectionEnd(header)));
    }
}

std::string IniText::Text() const
{
    std::string out = bom_ ? "\xEF\xBB\xBF" : "";
    for (const auto& line : lines_) {
        out += line;
        out += newline_;
    }
    return out;
}

int ParseProfileInt(std::string_view text)
{
    text = Trim(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.size() >= 2 && text[0] == '0') {
        const char p = static_cast<char>(text[1] | 0x20);
        base = p == 'x' ? 16 : p == 'o' ? 8 : p == 'b' ? 2 : 10;
        if (base != 10) {
            text.remove_prefix(2);
        }
    }
    std::int64_t value = 0;
    for (const char c : text) {
        int d;
        if (c >= '0' && c <= '9') {
            d = c - '0';
        } else if (c >= 'a' && c <= 'z') {
            d = c - 'a' + 10;
        } else if (c >= 'A' && c <= 'Z') {
            d = c - 'A' + 10;
        } else {
            break;
        }
        if (d >= base) {
            break;
        }
        // Past 2^32 the exact value no longer matters: it is clamped below.
        if (value < (std::int64_t{1} << 33)) {
            value = value * base + d;
        }
    }
    if (negative) {
        value = -value;
    }
    if (value > INT_MAX) {
        return INT_MAX;
    }
    if (value < INT_MIN) {
        return INT_MIN;
    }
    return static_cast<int>(value);
}
}
