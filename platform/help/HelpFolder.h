#pragma once
// Internal to platform/help: finding things in a help folder.
#include <optional>
#include <string>

namespace platform::help_detail {
struct HelpPath {
    std::string folder;  // the help folder
    std::string inner;   // what follows "::/", empty when nothing does
};
HelpPath SplitHelpPath(const std::string& path);
bool IsFolder(const std::string& path);
bool IsFile(const std::string& path);
// The text of one ".topic id" entry of a popup text file.
std::optional<std::string> PopupText(const std::string& file, unsigned id);
// The topic a context id stands for in the folder's "Contexts.txt".
std::optional<std::string> ContextTopic(const std::string& folder, unsigned long id);
// "file://" address of a file, with the characters an address may not hold escaped.
std::string FileUrl(const std::string& path);
}
