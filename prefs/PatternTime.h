#pragma once
// The date and time codes of file name patterns, expanded by our own routine so
// that a pattern means the same on every system: the codes the pattern dialog
// offers and "%%"; any other code makes the whole expansion fail.
#include <cstddef>
#include <ctime>
#include <string>

// False (out untouched) on an unknown code, a '%' at the end, or a result longer than maxChars.
bool ExpandPatternTime(const std::string& pattern, const std::tm& local, std::size_t maxChars, std::string* out);
