#pragma once
// The string escapes of a desktop entry's values (backslash, line breaks and
// tabs; "\s" a blank), shared by the autostart entries and the shell's shortcuts.
#include <string>

namespace platform {
std::string EscapeEntryValue(const std::string& text);
std::string UnescapeEntryValue(const std::string& text);
}
