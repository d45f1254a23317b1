#pragma once
// Shell shortcuts as desktop entries: a ".desktop" file that starts a program,
// as a Linux desktop finds it on the desktop, in the launcher menu or in autostart.
#include <string>
#include <vector>

namespace platform {
struct DesktopEntry {
    std::string name;         // what the desktop shows
    std::string target;       // the program file
    std::vector<std::string> arguments;
    std::string description;  // empty: none
    std::string icon;         // an icon name or an absolute path; empty: none
};

// Writes the entry, replacing a file of that name as a whole (a crash leaves
// the old or the new entry); the file is executable, as desktops want a
// launcher on the desktop to be. False when it could not be written.
bool WriteDesktopEntry(const std::string& path, const DesktopEntry& entry);
// Reads an application entry back; false when the file is not one or has no command.
bool ReadDesktopEntry(const std::string& path, DesktopEntry* entry);

// One argument of an Exec line, quoted and escaped where the desktop entry rules need it.
std::string QuoteExecArgument(const std::string& argument);
// The arguments of an Exec value (after the key file's own escapes are undone).
std::vector<std::string> SplitExecLine(const std::string& value);
}
