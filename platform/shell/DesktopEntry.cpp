// Desktop entries: the key file's escapes and the Exec line's quoting are two
// layers, undone in order when read and applied in reverse when written.
#include "platform/shell/DesktopEntry.h"

#include "platform/core/EntryText.h"
#include "platform/core/Strings.h"
#include "platform/kernel/AtomicFile.h"

namespace platform {
namespace {
bool NeedsQuotes(const std::string& argument)
{
    if (argument.empty()) {
        return true;
    }
    for (const char c : argument) {
        if (std::string_view(" \t\n\"'\\><~|&;$*?#()`").find(c) != std::string_view::npos) {
            return true;
        }
    }
    return false;
}

std::string Trim(const std::string& text)
{
    const std::size_t a = text.find_first_not_of(" \t");
    const std::size_t b = text.find_last_not_of(" \t\r");
    return a == std::string::npos ? std::string() : text.substr(a, b - a + 1);
}
}

std::string QuoteExecArgument(const std::string& argument)
{
    std::string out;
    const bool quote = NeedsQuotes(argument);
    if (quote) {
        out += '"';
    }
    for (const char c : argument) {
        if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) {
            out += '\\';
        }
        out += c;
        if (c == '%') {
            out += '%';  // a literal percent sign; field codes start with one
        }
    }
    if (quote) {
        out += '"';
    }
    return out;
}

std::vector<std::string> SplitExecLine(const std::string& value)
{
    std::vector<std::string> args;
    std::string current;
    bool inArgument = false;
    bool quoted = false;
    bool onlyFieldCodes = true;  // an argument that is a field code alone stands for nothing here
    auto finish = [&] {
        if (inArgument && !(onlyFieldCodes && current.empty())) {
            args.push_back(current);
        }
        current.clear();
        inArgument = false;
        onlyFieldCodes = true;
    };
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (!quoted && (c == ' ' || c == '\t')) {
            finish();
            continue;
        }
        inArgument = true;
        if (c == '%' && i + 1 < value.size()) {
            // %% is a percent sign; any other field code is what the desktop passes: none here.
            if (value[++i] == '%') {
                current += '%';
                onlyFieldCodes = false;
            }
            continue;
        }
        onlyFieldCodes = false;
        if (quoted && c == '\\' && i + 1 < value.size()) {
            current += value[++i];
        } else if (c == '"') {
            quoted = !quoted;
        } else {
            current += c;
        }
    }
    finish();
    return args;
}

bool WriteDesktopEntry(const std::string& path, const DesktopEntry& entry)
{
    if (entry.name.empty() || entry.target.empty()) {
        return false;
    }
    std::string exec = QuoteExecArgument(entry.target);
    for (const std::string& a : entry.arguments) {
        exec.append(" ").append(QuoteExecArgument(a));
    }
    // Appended piece by piece: GCC 12 at -O3 warns of an overlap in literal + string.
    std::string text = "[Desktop Entry]\nType=Application\nVersion=1.0\n";
    text.append("Name=").append(EscapeEntryValue(entry.name)).append("\n");
    if (!entry.description.empty()) {
        text.append("Comment=").append(EscapeEntryValue(entry.description)).append("\n");
    }
    text.append("Exec=").append(EscapeEntryValue(exec)).append("\n");
    if (!entry.icon.empty()) {
        text.append("Icon=").append(EscapeEntryValue(entry.icon)).append("\n");
    }
    text += "Terminal=false\n"
            "Categories=AudioVideo;Audio;Recorder;\n";
    return WriteFileAtomically(path, text, 0755);
}

bool ReadDesktopEntry(const std::string& path, DesktopEntry* entry)
{
    std::string text;
    if (!entry || ReadWholeFile(path, text, 64 * 1024) != FileReadResult::Ok) {
        return false;
    }
    DesktopEntry out;
    bool inMain = false;
    bool application = false;
    for (const std::string_view raw : SplitLines(text)) {
        const std::string line = Trim(std::string(raw));
        if (line.empty() || line[0] == '#') {
            continue;
        }
        if (line[0] == '[') {
            inMain = line == "[Desktop Entry]";
            continue;
        }
        const std::size_t eq = line.find('=');
        if (!inMain || eq == std::string::npos) {
            continue;
        }
        const std::string key = Trim(line.substr(0, eq));
        const std::string value = UnescapeEntryValue(Trim(line.substr(eq + 1)));
        if (key == "Type") {
            application = value == "Application";
        } else if (key == "Name") {
            out.name = value;
        } else if (key == "Comment") {
            out.description = value;
        } else if (key == "Icon") {
            out.icon = value;
        } else if (key == "Exec") {
            const std::vector<std::string> args = SplitExecLine(value);
            if (!args.empty()) {
                out.target = args[0];
                out.arguments.assign(args.begin() + 1, args.end());
            }
        }
    }
    if (!application || out.target.empty()) {
        return false;
    }
    *entry = out;
    return true;
}
}
