#pragma once
// Paths: "\" and "/" both separate; paths built here use "/".
#include <string>
#include <string_view>

namespace platform {
bool IsSeparator(char c);
// Index of the last separator, or npos.
std::size_t LastSeparator(std::string_view path);
// The part after the last separator (the whole path when there is none).
std::string_view FileNamePart(std::string_view path);
// The folder part including its trailing separator ("" when there is none).
std::string_view FolderPart(std::string_view path);
// folder + "/" + name, with no doubled separator.
std::string JoinPath(std::string_view folder, std::string_view name);
// Every "\" turned into "/".
std::string ToSlashes(std::string_view path);
}
