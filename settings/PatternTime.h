#pragma once
// The date and time codes of file name patterns, expanded by our own routine so
// that a pattern means the same on every system and in every language: the
// recorder names its files with it and the pattern dialog and File page show
// their examples with it. It knows the codes of C's strftime, with the values
// they have in the C locale (the E and O modifiers change nothing there), the
// GNU k, l, P and s, and "%%"; any other code makes the whole expansion fail.
#include <cstddef>
#include <ctime>
#include <string>

// False (out untouched) on an unknown code, a '%' at the end, or a result longer than maxChars.
bool ExpandPatternTime(const std::string& pattern, const std::tm& local, std::size_t maxChars, std::string* out);
