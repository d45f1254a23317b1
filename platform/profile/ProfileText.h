#pragma once
// An INI file held as its lines, with the lookups and edits of the profile
// functions; the file functions read, change and rewrite it through this.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::profile {
class IniText {
public:
    explicit IniText(std::string_view text = {});

    // The trimmed value of the first matching key of the first matching section.
    std::optional<std::string> Get(std::string_view section, std::string_view key) const;
    void Set(std::string_view section, std::string_view key, std::string_view value);
    void RemoveKey(std::string_view section, std::string_view key);
    void RemoveSection(std::string_view section);
    std::string Text() const;

private:
    // Index of the first line of the first matching section's header, or npos.
    std::size_t FindSection(std::string_view section) const;
    // The line after the section's last line.
    std::size_t SectionEnd(std::size_t header) const;
    std::size_t FindKey(std::size_t header, std::string_view key) const;

    std::vector<std::string> lines_;
    std::string newline_ = "\n";
    bool bom_ = false;
};

// Parses the number at the start of an INI value as GetPrivateProfileIntA does.
int ParseProfileInt(std::string_view text);
}
